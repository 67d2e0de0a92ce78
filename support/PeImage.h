// Reader of the headers of a Windows executable image (PE32 or PE32+) from
// its bytes, without loading it: what a diagnostic needs to know before the
// loader would run any of its code. Portable: no Windows types. Every offset
// is checked against the bytes given, so a truncated or hostile file only
// yields a problem text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint16_t PeMachineI386 = 0x014c;
inline constexpr std::uint16_t PeMachineAmd64 = 0x8664;

struct PeImage {
    std::string problem; // empty when the headers and tables read cleanly
    std::uint16_t machine = 0;
    bool isDll = false;
    std::vector<std::string> exports; // names exported by name, in table order
    std::vector<std::string> imports; // DLL names of the import table, in order
    // The string table as LoadStringA reads it, by id: the first language of
    // each block, characters beyond ASCII as "?"; empty strings are absent.
    std::map<std::uint32_t, std::string> strings;
};

// Reads the headers, the export names, the import table and the string table
// from bytes. On a problem the fields read so far are kept, the rest stay
// empty; a damaged string block is left out, as LoadStringA finds nothing there.
PeImage ReadPeImage(std::string_view bytes);

// The same for the file at path; one that cannot be read reads as empty.
PeImage ReadPeImageFile(const std::string& path);

// "x86", "x86-64", or the machine number in hexadecimal.
std::string PeMachineName(std::uint16_t machine);
