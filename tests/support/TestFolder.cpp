#include "tests/support/TestFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include "support/Win32.h"
#endif

namespace fs = std::filesystem;

namespace {
std::atomic<int> folderCounter{0};
}

TestFolder::TestFolder()
{
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path path =
        fs::temp_directory_path() / ("pillowmoor-" + std::to_string(stamp) + "-" + std::to_string(folderCounter++));
    fs::create_directories(path);
    path_ = (path / "").string();
}

TestFolder::~TestFolder()
{
    RemoveTree(path_);
}

std::vector<std::string> TestFolder::Entries() const
{
    return ListFolder(path_);
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& folder) : previous_(fs::current_path().string())
{
    fs::current_path(folder);
}

CurrentDirectoryScope::~CurrentDirectoryScope()
{
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (fs::directory_iterator it(folder, ignored), end; it != end; it.increment(ignored)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& folder)
{
    std::error_code ignored;
    for (fs::recursive_directory_iterator it(folder, ignored), end; it != end; it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder, ignored);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot write " + path);
    }
}

bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

bool FolderExists(const std::string& path)
{
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

#ifdef _WIN32
std::string ProgramFolder()
{
    char path[MAX_PATH + 1];
    std::string program(path, GetModuleFileNameA(nullptr, path, sizeof path));
    return program.substr(0, program.rfind('\\') + 1);
}
#endif
