#include "toys/Pillow/StartWithWindows.h"

#include <shlobj.h>

#include "errors/ToyError.h"
#include "support/UniqueHandle.h"

namespace {

template <typename Interface>
struct ComTraits {
    using Handle = Interface*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { object->Release(); }
};
template <typename Interface>
using ComPointer = UniqueHandle<ComTraits<Interface>>;

// COM for the length of one call, when this thread has not set it up already.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope()
    {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

std::wstring ProgramPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring CurrentFolder()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

bool WriteShortcut(const std::wstring& path)
{
    ComScope com;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    ComPointer<IShellLinkW> linkOwner(link);
    IPersistFile* file = nullptr;
    if (FAILED(link->SetPath(ProgramPath().c_str())) || FAILED(link->SetWorkingDirectory(CurrentFolder().c_str())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        return false;
    }
    ComPointer<IPersistFile> fileOwner(file);
    return SUCCEEDED(file->Save(path.c_str(), TRUE));
}

} // namespace

std::wstring StartupShortcutPath()
{
    wchar_t folder[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return L"";
    }
    return std::wstring(folder) + L"\\Pillowmoor Toy.lnk";
}

bool StartsWithWindows()
{
    std::wstring path = StartupShortcutPath();
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetStartWithWindows(bool on)
{
    std::wstring path = StartupShortcutPath();
    bool done = !path.empty() && (on ? WriteShortcut(path) : DeleteFileW(path.c_str()) != 0);
    if (!done) {
        throw ERR_WRITING_LOCAL_FILE;
    }
}
