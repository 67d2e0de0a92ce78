// Starts the real host, or another program, as a child process in a folder
// of the test's choosing.
#pragma once

#include <string>

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
