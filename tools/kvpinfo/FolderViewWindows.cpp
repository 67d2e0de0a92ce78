#include "tools/kvpinfo/FolderView.h"

#include <memory>
#include <sstream>

#include "plugins/CrashNote.h"
#include "plugins/PluginHeader.h"
#include "plugins/PluginInstall.h"
#include "support/FileNames.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "support/Win32Handles.h"
#include "tools/kvpinfo/PeFileHeader.h"

namespace {

std::string WindowsFolder(UINT(WINAPI* query)(LPSTR, UINT))
{
    char buffer[MAX_PATH];
    UINT length = query(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string PathVariable()
{
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (size == 0) {
        return "";
    }
    std::string value(size, '\0');
    DWORD length = GetEnvironmentVariableA("PATH", value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

} // namespace

std::vector<FolderEntry> ListFolder(const std::string& folder, const std::string& pattern)
{
    std::vector<FolderEntry> entries;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, pattern)) {
        entries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
    return entries;
}

Standing StandingAt(const std::string& path)
{
    return StandingOf(GetFileAttributesA(path.c_str()));
}

bool FileStamp(const std::string& path, std::uint64_t& size, std::uint64_t& written)
{
    return ReadLibraryStamp(path, size, written);
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string CurrentFolder()
{
    return GetCurrentFolder();
}

std::string AsFolder(std::string path)
{
    return AsFolderPath(std::move(path));
}

std::string ContainingFolder(const std::string& path)
{
    std::size_t cut = path.find_last_of('\\', path.size() > 1 ? path.size() - 2 : 0);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::optional<HeaderLookup> ReadLibraryHeader(const std::string& path)
{
    // Opened as data only: the string table can be read, none of its code runs.
    auto module = std::make_shared<ModuleHandle>(
        LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!*module) {
        return ReadPeFileHeader(path);
    }
    return HeaderLookup([module](std::uint32_t id) { return ModuleHeader(module->Get())(id); });
}

bool PackageIsFree(const std::string& packagePath)
{
    return static_cast<bool>(HoldPackage(packagePath));
}

std::optional<std::string> PeekRegistryValue(const std::string& keyPath, const std::string& valueName)
{
    std::string text;
    return PeekRegistryString(keyPath, valueName, text) ? std::optional(text) : std::nullopt;
}

std::string RegistryNote()
{
    return "";
}

SystemSearch SystemSearchFolders()
{
    SystemSearch search;
    std::string windows = WindowsFolder(GetWindowsDirectoryA);
    for (const std::string& folder :
         {WindowsFolder(GetSystemDirectoryA), windows.empty() ? "" : windows + "\\System", windows}) {
        if (!folder.empty()) {
            search.systemFolders.push_back(AsFolderPath(folder));
        }
    }
    std::istringstream path(PathVariable());
    for (std::string entry; std::getline(path, entry, ';');) {
        search.pathFolders.push_back(entry);
    }
    return search;
}

bool IsWindowsOwnDll(const std::string&)
{
    // The system folders themselves are searched here.
    return false;
}

ScratchFolder::ScratchFolder()
{
    char base[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    for (unsigned attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        std::string candidate = std::string(base) + "kvpinfo-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(attempt) + "\\";
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
}

ScratchFolder::~ScratchFolder()
{
    if (path_.empty()) {
        return;
    }
    for (const FolderEntry& entry : ListFolder(path_, "*")) {
        if (!entry.folder) {
            DeleteFileA((path_ + entry.name).c_str());
        }
    }
    RemoveDirectoryA(path_.c_str());
}
