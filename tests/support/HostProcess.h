// Starts the real host, or one of the SDK's tools, as a child process in a
// folder of the test's choosing.
#pragma once

#include <string>

#include "support/Win32Handles.h"

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

// PillowmoorToy.exe in the test program's folder.
std::string HostPath();

// The host started in currentFolder. One still running when the object dies
// is ended.
class RunningHost {
public:
    explicit RunningHost(const std::string& currentFolder);
    ~RunningHost();
    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    bool Started() const { return process_.IsValid(); }
    bool Running() const;
    // A visible top-level window of the process (with this class, when
    // given), or null.
    HWND VisibleWindow(const char* className = nullptr) const;
    // The same, waiting at most timeoutMs for one to appear.
    HWND WaitForWindow(const std::string& className, unsigned long timeoutMs = 30000) const;
    // The exit code once the process has ended, waiting at most timeoutMs;
    // STILL_ACTIVE when it has not.
    unsigned long WaitForExit(unsigned long timeoutMs = 30000) const;
    // When the process ended, as GetProcessTimes gives it; zero while it runs.
    FILETIME ExitTime() const;

private:
    KernelHandle process_;
    unsigned long processId_ = 0;
};

struct HostRun {
    unsigned long exitCode = STILL_ACTIVE; // STILL_ACTIVE when it did not end in time
    bool showedWindow = false;             // a visible top-level window of the process was seen
};

// Runs the host and waits at most timeoutMs; one still running then is ended.
HostRun RunHost(const std::string& currentFolder, unsigned long timeoutMs = 30000);

struct ToolRun {
    unsigned long exitCode = STILL_ACTIVE; // STILL_ACTIVE when it did not end in time
    std::string output;                    // standard output and error, as written
};

// Runs program (a console tool in the test program's folder, e.g.
// "kvdpack.exe") with the command-line arguments in currentFolder.
ToolRun RunTool(const std::string& program, const std::string& arguments, const std::string& currentFolder);
