// Whether anyone can see the screen: the system tells a window when the
// session is locked or unlocked and when the display goes off or on, so that
// the toy draws nothing nobody can see.
#pragma once

#include "support/Win32Handles.h"

class ScreenWatch {
public:
    // Asks the system to send window those notices.
    explicit ScreenWatch(HWND window);
    // Asks it to stop, before the window goes.
    ~ScreenWatch();
    ScreenWatch(const ScreenWatch&) = delete;
    ScreenWatch& operator=(const ScreenWatch&) = delete;

    // Takes note of message when it is one of those notices, and then
    // returns true; false for any other message.
    bool Notice(UINT message, WPARAM wParam, LPARAM lParam);

    // False while the session is locked or the display is off.
    bool ScreenSeen() const { return !locked_ && !displayOff_; }

private:
    HWND window_;
    bool sessionNotices_;
    PowerNotification displayNotices_;
    bool locked_ = false;
    bool displayOff_ = false;
};
