#include "app/RunningToy.h"

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

std::string OwnFolder()
{
    std::string own = ModulePath(nullptr);
    return own.substr(0, own.find_last_of('\\') + 1);
}

std::string ToyBeside()
{
    return OwnFolder() + "PillowmoorToy.exe";
}

bool EndRunningToys(const std::string& program)
{
    for (const KernelHandle& process : CloseEvery(program)) {
        if (WaitForSingleObject(process.Get(), kWaitMilliseconds) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

bool StartToy(const std::string& program, const std::string& folder)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
        return false;
    }
    KernelHandle thread(started.hThread);
    KernelHandle process(started.hProcess);
    return true;
}
