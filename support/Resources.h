// Readers of a module's string table, through which the toy's identity and
// every plugin header are read. Each returns false, leaving its destination
// unchanged, when the id has no string or the string is empty; a string is
// read to at most bufferSize - 1 characters.
#pragma once

#include <cstdint>
#include <string>

#include "support/Win32.h"

// The buffer size, in characters with the terminating zero, that every caller passes.
inline constexpr int ResourceBufferSize = 1024;

bool LoadResourceString(HINSTANCE instance, UINT id, int bufferSize, std::string& destination);

// Blanks, optional sign, digits; trailing text ignored, no digits give 0,
// saturating at the signed 32-bit limits.
bool LoadResourceInt(HINSTANCE instance, UINT id, int bufferSize, std::int32_t& destination);

// 1 when the text is exactly "TRUE", 0 for anything else.
bool LoadResourceBool(HINSTANCE instance, UINT id, int bufferSize, std::int32_t& destination);

// Blanks, optional sign, digits with optional fraction and exponent; no number gives 0.0.
bool LoadResourceDouble(HINSTANCE instance, UINT id, int bufferSize, double& destination);
