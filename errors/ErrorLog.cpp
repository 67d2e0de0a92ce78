#include "errors/ErrorLog.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/FileSystem.h"
#include "support/StdioFile.h"

std::tm LocalTimeNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

void ShowErrorBox(const ErrorReport& report)
{
    std::string text = FormatErrorBoxText(report);
    MessageBoxA(nullptr, text.c_str(), "Error", MB_OK);
}

bool AppendLogEntry(const std::string& path, const ErrorReport& report)
{
    std::string entry = FormatLogEntry(LocalTimeNow(), report);
    StdioFile file = StdioFile::Open(path.c_str(), "ab");
    if (!file) {
        return false;
    }
    if (std::fwrite(entry.data(), 1, entry.size(), file.Get()) != entry.size()) {
        return false;
    }
    // The entry counts as written once fwrite took it; a failing close does not change that.
    file.Close();
    return true;
}

namespace {

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The name of the latest of the logs when its run ended in a crash, else
// empty: a start must not delete the only trace of why the run before it
// ended. The start after this one deletes it.
std::string NewestIfItEndsInACrash(const std::string& folder, const std::vector<WIN32_FIND_DATAA>& logs)
{
    auto later = [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        return CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) < 0;
    };
    auto newest = std::max_element(logs.begin(), logs.end(), later);
    if (newest == logs.end() || !EndsInCrash(ReadWholeFile(folder + newest->cFileName))) {
        return "";
    }
    return newest->cFileName;
}

} // namespace

FileHandle PrepareLogFile(std::string folder, std::string& destination)
{
    // The name is fixed before the old logs go, so a log of the same second
    // that no live start holds is deleted and then made again, empty.
    std::string path = folder + FormatLogFileName(LocalTimeNow());
    if (!CreateFolderPath(folder)) {
        return FileHandle();
    }
    std::vector<WIN32_FIND_DATAA> logs = FindFiles(folder, "*.log");
    std::erase_if(logs, [](const WIN32_FIND_DATAA& entry) { return !IsLogFileName(entry.cFileName); });
    std::string kept = NewestIfItEndsInACrash(folder, logs);
    for (const WIN32_FIND_DATAA& entry : logs) {
        if (entry.cFileName != kept) {
            DeleteFileA((folder + entry.cFileName).c_str());
        }
    }
    // Shared for reading and writing, so that LogError can append, but not
    // for deletion.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        destination = path;
    }
    return file;
}
