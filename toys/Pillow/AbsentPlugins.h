// The libraries and packages of the toy's Plugins\ folder that do not load
// or install, each with the reason kvpinfo gives for it. Everything is read
// as data: no plugin code runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CToyApp;

// The longest line, reason included; a longer one ends in "...".
inline constexpr std::size_t AbsentLineLength = 80;

// One line "file - reason" for each library that stands nowhere in the toy's
// tree, for each package the next start would not install and load, and for
// each package an earlier start set aside. Nothing when the folder cannot be
// read.
std::vector<std::string> AbsentPluginLines(const CToyApp& app);
