// Text helpers for file names and lists. Portable: no Windows types.
#pragma once

#include <string>
#include <vector>

// The name up to its first "." (the whole name when there is none), then "."
// and the extension. Meant for bare file names: a dot in a folder part would cut there.
std::string ReplaceExtension(std::string name, std::string extension);

// The path ending with "\\": one is added when it has none; empty stays empty.
std::string AsFolderPath(std::string path);

// Every item followed by the separator, the last one included; an empty list
// gives empty text. Items are copied unchanged.
std::string JoinWithSeparator(std::vector<std::string> items, char separator);

// The items with separator between them, for lists shown to people: none
// after the last, unlike JoinWithSeparator.
std::string JoinBetween(const std::vector<std::string>& items, const std::string& separator);

// True when the two names are equal but for the letter case of ASCII letters,
// as Windows compares file names.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

// True when Windows would store name as exactly that file inside a folder:
// well-formed UTF-8 (the code page of the host's and the tools' A
// functions; any other byte would become another character), not empty,
// not "." or "..", none of < > : " / \ | ? * or bytes below 32, no trailing
// dot or space, and not a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9
// and COM or LPT with a superscript 1, 2 or 3, CONIN$, CONOUT$, in any case,
// with or without extension).
bool IsSafeFileName(const std::string& name);
