#include "toys/Pillow/StartWithWindows.h"

#include <shlobj.h>

#include <cwchar>

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

// A shell link and its file interface, both empty when COM cannot make them;
// used inside a ComScope.
struct ShellLink {
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
};

ShellLink MakeShellLink()
{
    ShellLink made;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        made.link.Reset(link);
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            made.file.Reset(file);
        }
    }
    return made;
}

// The program the shortcut at path starts, or empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& path)
{
    ComScope com;
    ShellLink shortcut = MakeShellLink();
    std::wstring target(32768, L'\0');
    if (!shortcut.file || FAILED(shortcut.file.Get()->Load(path.c_str(), STGM_READ)) ||
        FAILED(shortcut.link.Get()->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0))) {
        return L"";
    }
    target.resize(std::wcslen(target.c_str()));
    return target;
}

bool WriteShortcut(const std::wstring& path)
{
    ComScope com;
    ShellLink shortcut = MakeShellLink();
    return shortcut.file && SUCCEEDED(shortcut.link.Get()->SetPath(ProgramPath().c_str())) &&
           SUCCEEDED(shortcut.link.Get()->SetWorkingDirectory(CurrentFolder().c_str())) &&
           SUCCEEDED(shortcut.file.Get()->Save(path.c_str(), TRUE));
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
    return !path.empty() &&
           CompareStringOrdinal(ShortcutTarget(path).c_str(), -1, ProgramPath().c_str(), -1, TRUE) == CSTR_EQUAL;
}

void SetStartWithWindows(bool on)
{
    std::wstring path = StartupShortcutPath();
    bool done = !path.empty() && (on ? WriteShortcut(path) : DeleteFileW(path.c_str()) != 0);
    if (!done) {
        throw ERR_WRITING_LOCAL_FILE;
    }
}
