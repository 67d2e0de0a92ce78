// What kvdpack checks before it packs a library: the things without which
// the toy loads it nowhere, each named with its fix. Portable: works on the
// PE headers as read from the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/PeImage.h"

// The export a C++ compiler makes of a New declared without extern "C"
// ("_Z3Newv", or "_ZN", scopes, "3NewE..."); empty when there is none.
std::string MangledNew(const std::vector<std::string>& exports);

// Why the toy of architecture machine would never load the library: not a
// DLL of that machine, no C-named New, a header string 1 to 6 missing, or no
// owner list (count in 1000, at least one name from 1001). Each entry says
// what to change; none when the library passes.
std::vector<std::string> PluginLibraryProblems(const PeImage& image, std::uint16_t machine);
