#include "tests/support/HostProcess.h"

#include <cstring>
#include <fstream>

#include "support/Win32Handles.h"
#include "tests/support/TestFolder.h"

namespace {

struct WindowSearch {
    DWORD processId;
    bool found;
    const char* className = nullptr;
    HWND window = nullptr;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    search.found = true;
    char name[256];
    if (search.className != nullptr && GetClassNameA(window, name, sizeof name) > 0 &&
        std::strcmp(name, search.className) == 0) {
        search.window = window;
    }
    return TRUE;
}

std::string HostPath()
{
    return ProgramFolder() + "PillowmoorToy.exe";
}

bool StartProgram(const std::string& program, const std::string& currentFolder, PROCESS_INFORMATION& info)
{
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentFolder.c_str(), &startup, &info) != 0;
}

} // namespace

HostRun RunHost(const std::string& currentFolder, unsigned long timeoutMs)
{
    return RunProgram(HostPath(), currentFolder, timeoutMs);
}

HostRun RunProgram(const std::string& program, const std::string& currentFolder, unsigned long timeoutMs)
{
    HostRun run;
    PROCESS_INFORMATION info{};
    if (!StartProgram(program, currentFolder, info)) {
        return run;
    }
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);

    // Watch for windows of the child while it runs; the host must show none.
    DWORD waited = 0;
    const DWORD step = 20;
    while (WaitForSingleObject(process.Get(), step) == WAIT_TIMEOUT) {
        WindowSearch search{info.dwProcessId, false};
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        run.showedWindow = run.showedWindow || search.found;
        waited += step;
        if (waited >= timeoutMs) {
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), INFINITE);
            return run;
        }
    }
    run.finished = true;
    GetExitCodeProcess(process.Get(), &run.exitCode);
    return run;
}

int HostSubsystem()
{
    std::string image = ReadBytes(HostPath());
    if (image.size() < 0x40) {
        return -1;
    }
    std::uint32_t peOffset = 0;
    std::memcpy(&peOffset, image.data() + 0x3C, sizeof peOffset);
    // Signature (4) and file header (20), then the optional header, whose
    // Subsystem field sits at offset 68 in both the PE32 and PE32+ forms.
    std::size_t field = static_cast<std::size_t>(peOffset) + 4 + 20 + 68;
    if (image.size() < field + 2) {
        return -1;
    }
    std::uint16_t subsystem = 0;
    std::memcpy(&subsystem, image.data() + field, sizeof subsystem);
    return subsystem;
}

RunningHost::RunningHost(const std::string& currentFolder)
{
    PROCESS_INFORMATION info{};
    if (StartProgram(HostPath(), currentFolder, info)) {
        KernelHandle thread(info.hThread);
        process_.Reset(info.hProcess);
        processId_ = info.dwProcessId;
    }
}

RunningHost::~RunningHost()
{
    if (Running()) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), INFINITE);
    }
}

HWND RunningHost::WaitForWindow(const std::string& className, unsigned long timeoutMs) const
{
    WindowSearch search{processId_, false, className.c_str()};
    WaitUntil(
        [&] {
            EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
            return search.window != nullptr || !Running();
        },
        timeoutMs);
    return search.window;
}

bool RunningHost::WaitForExit(unsigned long& exitCode, unsigned long timeoutMs) const
{
    if (!process_ || WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    exitCode = code;
    return true;
}

bool RunningHost::Running() const
{
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}
