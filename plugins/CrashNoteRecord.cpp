#include "plugins/CrashNoteRecord.h"

#include <fstream>
#include <sstream>

bool ReadCrashNote(const std::string& libraryPath, CrashNote& note)
{
    std::ifstream file(libraryPath + CRASH_NOTE_SUFFIX, std::ios::binary);
    CrashNote read;
    if (!(file >> read.size >> read.written >> read.code) || file.get() != '\n') {
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    read.text = text.str();
    note = read;
    return true;
}

bool NoteMatches(const CrashNote& note, std::uint64_t size, std::uint64_t written)
{
    return size == note.size && written == note.written;
}
