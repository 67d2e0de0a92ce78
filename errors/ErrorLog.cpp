#include "errors/ErrorLog.h"

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

FileHandle PrepareLogFile(std::string folder, std::string& destination)
{
    // The name is fixed before the old logs go, so a log of the same second
    // that no live start holds is deleted and then made again, empty.
    std::string path = folder + FormatLogFileName(LocalTimeNow());
    if (!CreateFolderPath(folder)) {
        return FileHandle();
    }
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*.log")) {
        if (IsLogFileName(entry.cFileName)) {
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
