// Text helpers for file names and lists. Portable: no Windows types.
#pragma once

#include <string>
#include <vector>

// The name up to its first "." (the whole name when there is none), then "."
// and the extension. Meant for bare file names: a dot in a folder part would cut there.
std::string ReplaceExtension(std::string name, std::string extension);

// Every item followed by the separator, the last one included; an empty list
// gives empty text. Items are copied unchanged.
std::string JoinWithSeparator(std::vector<std::string> items, char separator);
