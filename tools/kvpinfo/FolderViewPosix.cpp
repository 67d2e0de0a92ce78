#include "tools/kvpinfo/FolderView.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "support/FileNames.h"
#include "tools/kvpinfo/PeFileHeader.h"

namespace {

namespace fs = std::filesystem;

// Seconds from 1601 (where a FILETIME counts from) to 1970.
constexpr std::uint64_t kFileTimeEpochSeconds = 11644473600ull;

// DLLs that every Windows from 7 on carries in its system folder; a plugin
// may import them without shipping them.
const char* const kWindowsOwnDlls[] = {
    "advapi32.dll", "bcrypt.dll",   "comctl32.dll", "comdlg32.dll", "crypt32.dll",  "d2d1.dll",     "d3d11.dll",
    "d3d9.dll",     "dbghelp.dll",  "dinput8.dll",  "dsound.dll",   "dwmapi.dll",   "dwrite.dll",   "dxgi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imm32.dll",    "iphlpapi.dll", "kernel32.dll", "msimg32.dll",  "msvcrt.dll",
    "ntdll.dll",    "ole32.dll",    "oleaut32.dll", "opengl32.dll", "powrprof.dll", "psapi.dll",    "rpcrt4.dll",
    "secur32.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",  "shlwapi.dll",  "ucrtbase.dll", "user32.dll",
    "userenv.dll",  "uxtheme.dll",  "version.dll",  "winhttp.dll",  "wininet.dll",  "winmm.dll",    "winspool.drv",
    "ws2_32.dll",   "wsock32.dll",  "wtsapi32.dll",
};

// The order NTFS keeps names in, which the host's search returns: by the
// upper-case form of each byte, then byte for byte.
bool NtfsOrder(const std::string& a, const std::string& b)
{
    auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
    auto byUpper = [&](char x, char y) {
        return upper(static_cast<unsigned char>(x)) < upper(static_cast<unsigned char>(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byUpper)) {
        return true;
    }
    return !std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byUpper) && a < b;
}

bool Matches(const std::string& name, const std::string& pattern)
{
    std::string suffix = pattern.substr(1);
    return name.size() >= suffix.size() && SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

} // namespace

std::vector<FolderEntry> ListFolder(const std::string& folder, const std::string& pattern)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (Matches(name, pattern)) {
            entries.push_back({name, entry.is_directory(error)});
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return NtfsOrder(a.name, b.name); });
    return entries;
}

Standing StandingAt(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return Standing::Nothing;
    }
    return S_ISDIR(status.st_mode) ? Standing::Folder : Standing::File;
}

bool FileStamp(const std::string& path, std::uint64_t& size, std::uint64_t& written)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return false;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    written = (static_cast<std::uint64_t>(status.st_mtim.tv_sec) + kFileTimeEpochSeconds) * 10000000ull +
              static_cast<std::uint64_t>(status.st_mtim.tv_nsec) / 100;
    return true;
}

std::string FullPath(const std::string& path)
{
    std::error_code error;
    fs::path full = fs::absolute(path, error);
    return error ? std::string() : full.lexically_normal().string();
}

std::string CurrentFolder()
{
    std::error_code error;
    return AsFolder(fs::current_path(error).string());
}

std::string AsFolder(std::string path)
{
    return path.empty() || path.back() == '/' ? path : path + "/";
}

std::string ContainingFolder(const std::string& path)
{
    std::size_t cut = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::optional<HeaderLookup> ReadLibraryHeader(const std::string& path)
{
    return ReadPeFileHeader(path);
}

bool PackageIsFree(const std::string&)
{
    // Other programs' open files on the toy's Windows cannot be seen from here.
    return true;
}

std::optional<std::string> PeekRegistryValue(const std::string&, const std::string&)
{
    return std::nullopt;
}

std::string RegistryNote()
{
    return "not read on this machine; each plugin is predicted as on its first run under this toy";
}

SystemSearch SystemSearchFolders()
{
    SystemSearch search;
    search.unseen = "(the system folders and PATH of the toy's Windows cannot be seen here: of the DLLs found "
                    "nowhere above, only those of Windows itself are taken as found)";
    return search;
}

bool IsWindowsOwnDll(const std::string& dllName)
{
    return std::any_of(std::begin(kWindowsOwnDlls), std::end(kWindowsOwnDlls),
                       [&](const char* own) { return SameNameIgnoringCase(dllName, own); });
}

ScratchFolder::ScratchFolder()
{
    std::error_code error;
    std::string base = (fs::temp_directory_path(error) / "kvpinfo-XXXXXX").string();
    if (!error && mkdtemp(base.data()) != nullptr) {
        path_ = AsFolder(base);
    }
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    if (!path_.empty()) {
        fs::remove_all(path_, error);
    }
}
