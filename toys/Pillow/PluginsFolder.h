// The toy's Plugins\ folder as the creature's menu manages it: adding a
// package chosen in a file dialog, showing the folder, and starting the toy
// again so that a change takes effect.
#pragma once

#include "support/Win32.h"

class CToyApp;

// True when the next start would switch plugins on or off: a plugin's stored
// Active value differs from the one this run read.
bool ChangesWaitForStart(const CToyApp& app);

// Asks for a package (*.kvd) with a file dialog owned by owner and copies it
// into Plugins\; says so in a box and offers to restart the toy, or says why
// the copy failed. False when nothing was copied.
bool AddPluginPackage(HWND owner);

// Opens Plugins\ (made when missing) in the file manager; a box owned by
// owner says so when it cannot.
void OpenPluginsFolder(HWND owner);

// Ends this toy and starts it again in the same folder, through the helper
// EndRunningToy.exe beside the program, which waits for this toy to end
// first. A box owned by owner says so when the helper cannot be started.
void RestartToy(HWND owner);
