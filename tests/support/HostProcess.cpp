#include "tests/support/HostProcess.h"

#include <cstring>

#include "tests/support/TestFolder.h"

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    HWND window = nullptr;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[256] = "";
    if (owner != search.processId || !IsWindowVisible(window) ||
        (search.className != nullptr &&
         (GetClassNameA(window, name, sizeof name) == 0 || std::strcmp(name, search.className) != 0))) {
        return TRUE;
    }
    search.window = window;
    return FALSE;
}

} // namespace

std::string HostPath()
{
    return ProgramFolder() + "PillowmoorToy.exe";
}

RunningHost::RunningHost(const std::string& currentFolder)
{
    std::string program = HostPath();
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder.c_str(),
                       &startup, &info)) {
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

bool RunningHost::Running() const
{
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

HWND RunningHost::VisibleWindow(const char* className) const
{
    WindowSearch search{processId_, className};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.window;
}

HWND RunningHost::WaitForWindow(const std::string& className, unsigned long timeoutMs) const
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = VisibleWindow(className.c_str())) != nullptr || !Running(); }, timeoutMs);
    return window;
}

unsigned long RunningHost::WaitForExit(unsigned long timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    if (process_ && WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_.Get(), &code);
    }
    return code;
}

HostRun RunHost(const std::string& currentFolder, unsigned long timeoutMs)
{
    RunningHost child(currentFolder);
    HostRun run;
    // Watch for windows of the child while it runs; the host must show none.
    WaitUntil(
        [&] {
            run.showedWindow = run.showedWindow || child.VisibleWindow() != nullptr;
            return !child.Running();
        },
        timeoutMs);
    run.exitCode = child.WaitForExit(0);
    return run;
}

ToolRun RunTool(const std::string& program, const std::string& arguments, const std::string& currentFolder)
{
    std::string path = ProgramFolder() + program;
    std::string commandLine = "\"" + path + "\" " + arguments;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ToolRun run;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return run;
    }
    KernelHandle reader(readEnd);
    KernelHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, currentFolder.c_str(),
                        &startup, &info)) {
        return run;
    }
    KernelHandle thread(info.hThread);
    KernelHandle process(info.hProcess);
    // Only the child holds the write end now, so reading ends when it does.
    writer.Reset();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        run.output.append(buffer, read);
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.Get(), &code);
    } else {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), INFINITE);
    }
    run.exitCode = code;
    return run;
}

FILETIME RunningHost::ExitTime() const
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user);
    return exited;
}
