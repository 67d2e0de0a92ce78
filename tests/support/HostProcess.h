// Starts the real host, or another program, as a child process in a folder
// of the test's choosing.
#pragma once

#include <string>

#include "support/Win32Handles.h"

struct HostRun {
    bool finished = false; // ended within the time allowed
    unsigned long exitCode = 0;
    bool showedWindow = false; // a visible top-level window of the process was seen
};

// Runs PillowmoorToy.exe from the test program's folder with currentFolder as
// its current directory, waiting at most timeoutMs; a host still running then
// is ended and reported as not finished.
HostRun RunHost(const std::string& currentFolder, unsigned long timeoutMs = 30000);

// The same for any program.
HostRun RunProgram(const std::string& program, const std::string& currentFolder, unsigned long timeoutMs = 30000);

// The host's subsystem from its PE header (2 is the Windows GUI).
int HostSubsystem();

// The real host started in the background, for tests that act on the toy
// while it runs. A host still running when the object dies is ended.
class RunningHost {
public:
    explicit RunningHost(const std::string& currentFolder);
    ~RunningHost();
    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    bool Started() const { return process_.IsValid(); }
    // The first visible top-level window of the host with this class, or
    // null when none appeared within timeoutMs.
    HWND WaitForWindow(const std::string& className, unsigned long timeoutMs = 30000) const;
    // True when the host ended within timeoutMs; its exit code then.
    bool WaitForExit(unsigned long& exitCode, unsigned long timeoutMs = 30000) const;
    bool Running() const;

private:
    KernelHandle process_;
    unsigned long processId_ = 0;
};

// Polls condition every 50 ms until it holds or timeoutMs has passed; its
// last answer.
template <typename Condition>
bool WaitUntil(Condition condition, unsigned long timeoutMs = 30000)
{
    for (unsigned long waited = 0; waited < timeoutMs; waited += 50) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return condition();
}
