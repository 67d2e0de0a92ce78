// What the screen shows, read back as another program would see it.
#pragma once

#include <cstdint>
#include <vector>

#include "support/Win32.h"

// The 32-bit pixels of the screen inside window's rectangle, row by row from
// the top; empty when they cannot be read.
std::vector<std::uint32_t> CaptureScreenArea(HWND window);
