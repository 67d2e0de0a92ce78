#include "support/FileSystem.h"

#include "support/Win32Handles.h"

namespace {

constexpr DWORD kCurrentFolderBufferSize = 1024;

// The current directory as the system reports it. A directory longer than the
// first buffer is read again with the size the system asks for; the loop
// covers a directory that grows between the two calls.
std::string ReadCurrentDirectory()
{
    std::string buffer(kCurrentFolderBufferSize, '\0');
    for (;;) {
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            return std::string();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
}

} // namespace

std::string GetCurrentFolder()
{
    return AsFolderPath(ReadCurrentDirectory());
}

bool CreateFolderPath(std::string folderPath)
{
    if (folderPath.empty()) {
        return false;
    }
    std::string::size_type prefixLength = 0;
    while (prefixLength < folderPath.size()) {
        // The search starts one past the prefix, so the first character of the
        // path and the second of a doubled backslash start the next name. A
        // path without a trailing backslash gets its last component created too.
        std::string::size_type slash = folderPath.find('\\', prefixLength + 1);
        prefixLength = slash == std::string::npos ? folderPath.size() : slash + 1;
        std::string prefix = folderPath.substr(0, prefixLength);
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() == ERROR_DIRECTORY) {
            return false;
        }
    }
    return true;
}

std::vector<WIN32_FIND_DATAA> FindFiles(std::string folderPath, std::string pattern)
{
    std::string query = folderPath + (pattern.empty() ? std::string("*.*") : pattern);
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA(query.c_str(), &entry));
    if (!search) {
        return entries;
    }
    do {
        entries.push_back(entry);
    } while (FindNextFileA(search.Get(), &entry));
    return entries;
}
