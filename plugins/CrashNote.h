// The note a crash leaves beside the plugin library it happened in
// ("<library>.crashed" in the plugins folder), and the start that leaves such
// a library out until its file changes or the note is deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Win32Handles.h"

// The suffix of a crash note's file name, after the library's own name.
inline constexpr const char* CRASH_NOTE_SUFFIX = ".crashed";

struct CrashNote {
    std::string text;          // what happened, as the crash's log entry says it
    std::int32_t code = 0;     // the exception code
    std::uint64_t size = 0;    // the library's size and last write time when it
    std::uint64_t written = 0; // crashed: a file that differs is tried again
};

// Writes libraryPath + CRASH_NOTE_SUFFIX with the library's present size and
// time. False when the library cannot be read or the note not written.
bool WriteCrashNote(const std::string& libraryPath, const std::string& text, std::int32_t code);

// The note of libraryPath, when there is one that can be read.
bool ReadCrashNote(const std::string& libraryPath, CrashNote& note);

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
