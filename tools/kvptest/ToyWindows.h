// The toy's windows seen from another process: its "Error" box found, read
// and pressed, and its windows closed, as a user would.
#pragma once

#include <string>

#include "support/Win32.h"

// The visible message box titled "Error" of the process, or null.
HWND FindErrorBox(DWORD processId);

// The line of text the box shows.
std::string ErrorBoxText(HWND box);

// Closes the box as a click on its OK button does.
void PressOk(HWND box);

// Asks each visible top-level window of the process to close (WM_CLOSE), as
// a click on its close button does.
void CloseWindows(DWORD processId);
