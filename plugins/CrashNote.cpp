#include "plugins/CrashNote.h"

#include <fstream>
#include <string>

#include "support/FileSystem.h"

bool ReadLibraryStamp(const std::string& path, std::uint64_t& size, std::uint64_t& written)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    written = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool WriteCrashNote(const std::string& libraryPath, const std::string& text, std::int32_t code)
{
    CrashNote note{text, code};
    if (!ReadLibraryStamp(libraryPath, note.size, note.written)) {
        return false;
    }
    // One line of numbers, then the text as the log has it.
    std::ofstream file(libraryPath + CRASH_NOTE_SUFFIX, std::ios::binary | std::ios::trunc);
    file << note.size << ' ' << note.written << ' ' << note.code << '\n' << note.text;
    file.close();
    return !file.fail();
}

bool NoteStillHolds(const std::string& libraryPath, const CrashNote& note)
{
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    return ReadLibraryStamp(libraryPath, size, written) && NoteMatches(note, size, written);
}

std::vector<LeftOutLibrary> LeaveOutCrashedLibraries(const std::string& folderPath)
{
    std::vector<LeftOutLibrary> leftOut;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folderPath, std::string("*") + CRASH_NOTE_SUFFIX)) {
        std::string notePath = folderPath + entry.cFileName;
        std::string fileName = entry.cFileName;
        fileName.resize(fileName.size() - std::char_traits<char>::length(CRASH_NOTE_SUFFIX));
        std::string libraryPath = folderPath + fileName;
        LeftOutLibrary library{fileName, {}, FileHandle()};
        if (!ReadCrashNote(libraryPath, library.note) || !NoteStillHolds(libraryPath, library.note)) {
            DeleteFileA(notePath.c_str());
            continue;
        }
        library.held = FileHandle(
            CreateFileA(libraryPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        leftOut.push_back(std::move(library));
    }
    return leftOut;
}
