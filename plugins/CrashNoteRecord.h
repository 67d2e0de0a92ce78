// The note a crash leaves beside the plugin library it happened in
// ("<library>.crashed"), as read back: by the start that leaves the library
// out, and by kvpinfo. Portable: C++ streams only.
#pragma once

#include <cstdint>
#include <string>

// The suffix of a crash note's file name, after the library's own name.
inline constexpr const char* CRASH_NOTE_SUFFIX = ".crashed";

struct CrashNote {
    std::string text;          // what happened, as the crash's log entry says it
    std::int32_t code = 0;     // the exception code
    std::uint64_t size = 0;    // the library's size and last write time when it
    std::uint64_t written = 0; // crashed: a file that differs is tried again
};

// The note of libraryPath, when there is one that can be read.
bool ReadCrashNote(const std::string& libraryPath, CrashNote& note);

// True when a library of this size and last write time (a FILETIME) is the
// file the note was written for.
bool NoteMatches(const CrashNote& note, std::uint64_t size, std::uint64_t written);
