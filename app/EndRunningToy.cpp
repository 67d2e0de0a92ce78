// EndRunningToy.exe: run by the installer before it removes the toy, and by
// the creature's "Restart now". Ends every toy started from the program
// beside it as a user would, by asking its windows to close (the creature
// ends the toy on WM_CLOSE), and waits for it. Exit code 0 when no such toy
// runs any more; 1 when one still runs after half a minute (a toy with no
// window to close), so that the removal fails before it has removed anything
// instead of leaving a running toy without its files. With the argument
// "restart" it then starts the program again in its own current folder,
// which is the one the ended toy ran in.
#include <string>
#include <vector>

#include "support/Win32Handles.h"

// After the Windows headers, which it needs.
#include <tlhelp32.h>

namespace {

constexpr DWORD kWaitMilliseconds = 30000;

std::string ModulePath(HMODULE module)
{
    std::string path(32768, '\0');
    path.resize(GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::string ImagePath(HANDLE process)
{
    std::string path(32768, '\0');
    DWORD size = static_cast<DWORD>(path.size());
    path.resize(QueryFullProcessImageNameA(process, 0, path.data(), &size) ? size : 0);
    return path;
}

BOOL CALLBACK AskToClose(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

// The processes running program, each asked to close.
std::vector<KernelHandle> CloseEvery(const std::string& program)
{
    std::vector<KernelHandle> closing;
    // A snapshot reports failure as CreateFileA does.
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && lstrcmpiA(ImagePath(process.Get()).c_str(), program.c_str()) == 0) {
            EnumWindows(AskToClose, static_cast<LPARAM>(entry.th32ProcessID));
            closing.push_back(std::move(process));
        }
    }
    return closing;
}

} // namespace

bool Start(const std::string& program)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        return false;
    }
    KernelHandle thread(started.hThread);
    KernelHandle process(started.hProcess);
    return true;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    std::string own = ModulePath(nullptr);
    std::string program = own.substr(0, own.find_last_of('\\') + 1) + "PillowmoorToy.exe";
    for (const KernelHandle& process : CloseEvery(program)) {
        if (WaitForSingleObject(process.Get(), kWaitMilliseconds) != WAIT_OBJECT_0) {
            return 1;
        }
    }
    if (std::string(arguments) == "restart" && !Start(program)) {
        return 1;
    }
    return 0;
}
