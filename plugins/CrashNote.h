// The note a crash leaves beside the plugin library it happened in
// ("<library>.crashed" in the plugins folder), and the start that leaves such
// a library out until its file changes or the note is deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/CrashNoteRecord.h"
#include "support/Win32Handles.h"

// The size and last write time (a FILETIME) of a library, as a note records
// them; false for a folder or nothing.
bool ReadLibraryStamp(const std::string& path, std::uint64_t& size, std::uint64_t& written);

// Writes libraryPath + CRASH_NOTE_SUFFIX with the library's present size and
// time. False when the library cannot be read or the note not written.
bool WriteCrashNote(const std::string& libraryPath, const std::string& text, std::int32_t code);

// True while the library's file is the one the note was written for.
bool NoteStillHolds(const std::string& libraryPath, const CrashNote& note);

// A library left out of this run: its note, and the file held open without
// sharing, so that no copy of the framework can load it while the run lasts.
struct LeftOutLibrary {
    std::string fileName;
    CrashNote note;
    FileHandle held;
};

// For every crash note in folderPath: a library whose file is still the one
// that crashed is left out; a note whose library changed or is gone is
// deleted, so that the library is tried again.
std::vector<LeftOutLibrary> LeaveOutCrashedLibraries(const std::string& folderPath);
