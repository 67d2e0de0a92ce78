// What kvpinfo asks of the machine it runs on: folder listings in the order
// the host's search finds names, file stamps, the folders the loader
// searches, the registry, and a library's header strings. Two builds: on
// Windows with the calls the host makes itself; elsewhere from the files
// alone, where the parts of the toy's Windows that cannot be seen from here
// (its system folders, PATH and registry, other programs' open files) are
// named in the report instead of guessed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugins/InstallRules.h"
#include "plugins/PluginRules.h"

struct FolderEntry {
    std::string name;
    bool folder = false;
};

// The entries of folder whose names match pattern ("*", or "*" and a
// suffix, in any letter case), in the order the host's search finds them.
std::vector<FolderEntry> ListFolder(const std::string& folder, const std::string& pattern);

Standing StandingAt(const std::string& path);

// The size and last write time (as a FILETIME) of a file; false for a
// folder or nothing.
bool FileStamp(const std::string& path, std::uint64_t& size, std::uint64_t& written);

// The absolute form of path; empty when there is none.
std::string FullPath(const std::string& path);

std::string CurrentFolder();

// The path ending with this system's separator; empty stays empty.
std::string AsFolder(std::string path);

// The folder part of a path, ending with the separator; a trailing separator
// of the path itself is not one here.
std::string ContainingFolder(const std::string& path);

// The header strings of a library, read without running any of its code:
// from the library opened as data where the system can, else from its file;
// nothing when it is no PE image.
std::optional<HeaderLookup> ReadLibraryHeader(const std::string& path);

// False while another program has the package open for writing, so that the
// installation pass would leave it for a later start.
bool PackageIsFree(const std::string& packagePath);

// A value of the current user's registry; nothing when it cannot be read.
std::optional<std::string> PeekRegistryValue(const std::string& keyPath, const std::string& valueName);

// What the report says of the registry it could not read; empty where it reads it.
std::string RegistryNote();

// Where the loader looks for a DLL that is not beside the host: the system
// folders and PATH, and, where those cannot be seen, what stands in for them.
struct SystemSearch {
    std::vector<std::string> systemFolders;
    std::vector<std::string> pathFolders;
    std::string unseen; // how DLLs are judged that the folders above cannot show
};
SystemSearch SystemSearchFolders();

// True for a DLL of Windows itself, taken as found where the system folders
// cannot be seen.
bool IsWindowsOwnDll(const std::string& dllName);

// A folder of its own under the system's temporary folder, removed with
// everything in it when the object dies.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; } // empty when none could be made

private:
    std::string path_;
};
