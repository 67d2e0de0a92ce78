// Where the creature's window stands between runs: "Left" and "Top", decimal
// text, in the "Position" key below the plugin's own key.
#pragma once

#include <string>

#include "support/Win32.h"

// The stored position brought fully onto the work area of the monitor nearest
// to it; near the bottom right of the primary monitor when none is stored.
POINT LoadPlacement(const std::string& pluginKey, SIZE size);

void SavePlacement(const std::string& pluginKey, POINT topLeft);

// topLeft moved just far enough for a window of size to lie inside the work
// area of the monitor nearest to it.
POINT ClampToWorkArea(POINT topLeft, SIZE size);
