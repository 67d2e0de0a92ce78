#include "tests/support/TestFolder.h"

#include <atomic>
#include <stdexcept>

#include "support/FileSystem.h"

namespace {
std::atomic<int> folderCounter{0};
}

TestFolder::TestFolder(const std::string& nameEnding)
{
    char temp[MAX_PATH + 1];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "pillowmoor-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "-" + std::to_string(folderCounter++) + nameEnding + "\\";
    RemoveTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) {
        throw std::runtime_error("cannot create " + path_);
    }
}

TestFolder::~TestFolder()
{
    RemoveTree(path_);
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& folder) : previous_(GetCurrentFolder())
{
    if (!SetCurrentDirectoryA(folder.c_str())) {
        throw std::runtime_error("cannot enter " + folder);
    }
}

CurrentDirectoryScope::~CurrentDirectoryScope()
{
    SetCurrentDirectoryA(previous_.c_str());
}

namespace {

// Wide calls with the "\\?\" form, so that trees deeper than 260 characters
// are removed too.
void RemoveTreeWide(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeWide(path + L"\\");
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void RemoveTree(const std::string& folder)
{
    std::wstring wide(folder.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, folder.data(), static_cast<int>(folder.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    RemoveTreeWide(L"\\\\?\\" + wide);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramFolder()
{
    char path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}
