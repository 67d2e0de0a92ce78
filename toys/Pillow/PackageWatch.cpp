#include "toys/Pillow/PackageWatch.h"

#include "errors/ToyError.h"
#include "support/FileSystem.h"

PackageWatch::PackageWatch(const std::string& folder, HWND window, UINT message)
    : window_(window), message_(message),
      change_(FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME)),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (change_ && stop_) {
        thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    }
}

PackageWatch::~PackageWatch()
{
    if (thread_) {
        SetEvent(stop_.Get());
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
}

// Each notice is posted, then the next one awaited, until the stop event.
DWORD WINAPI PackageWatch::Run(void* watch)
{
    auto& self = *static_cast<PackageWatch*>(watch);
    HANDLE waits[] = {self.stop_.Get(), self.change_.Get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        PostMessageA(self.window_, self.message_, 0, 0);
        if (!FindNextChangeNotification(self.change_.Get())) {
            return 1;
        }
    }
    return 0;
}

unsigned CountPackages(const std::string& folder)
{
    unsigned count = 0;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + PACKAGE_EXTENSION)) {
        count += (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
    }
    return count;
}
