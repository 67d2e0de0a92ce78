// While the host reports a record, no plugin code may run: a plugin whose
// timer throws on every tick would otherwise throw again inside the report's
// message box, whose modal loop dispatches the thread's messages.
#pragma once

#include <vector>

#include "support/Win32Handles.h"

// While a QuietQueue lives, the calling thread's queue hands out only the
// messages of windows created meanwhile (the message box and its controls)
// and the quit message. Every other message is taken from the queue and
// dropped: messages of plugin windows, timers with a callback, thread
// messages. Paint requests of the held windows are validated so that they do
// not come back at once. Hooks that plugins installed still run. One at a time
// per thread.
class QuietQueue {
public:
    QuietQueue();
    ~QuietQueue();
    QuietQueue(const QuietQueue&) = delete;
    QuietQueue& operator=(const QuietQueue&) = delete;

private:
    HookHandle creations_;
    HookHandle messages_;
};
