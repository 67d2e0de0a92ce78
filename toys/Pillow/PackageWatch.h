// Packages that appear in the plugins folder while the toy runs. The host
// owns the message loop, so a thread of the plugin waits for the folder's
// change notices (no polling) and posts a message to the plugin's window at
// each; the window's thread then counts the packages.
#pragma once

#include <string>

#include "support/Win32Handles.h"

class PackageWatch {
public:
    // Watches folder (a path ending with "\") for files that appear, are
    // renamed or deleted, posting message to window at each change. Without
    // a folder to watch, or a thread, nothing is posted.
    PackageWatch(const std::string& folder, HWND window, UINT message);
    // Stops the thread and waits for it to end: nothing is posted after.
    ~PackageWatch();
    PackageWatch(const PackageWatch&) = delete;
    PackageWatch& operator=(const PackageWatch&) = delete;

private:
    static DWORD WINAPI Run(void* watch);

    HWND window_;
    UINT message_;
    ChangeNoticeHandle change_;
    KernelHandle stop_;
    KernelHandle thread_;
};

// The packages in folder that the next start would try to install: the
// files (not folders) matching "*.kvd".
unsigned CountPackages(const std::string& folder);
