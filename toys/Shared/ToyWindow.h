// The windows the toy's plugins draw in: borderless, per-pixel alpha, always
// on top and without a taskbar button, each bound to the plugin object that
// handles its messages.
#pragma once

#include "support/Win32Handles.h"
#include "toys/Shared/WindowClass.h"

// A window of windowClass, hidden, at place, whose messages go to handler;
// extraStyles adds extended styles. Throws ERR_CREATING_TOY_WINDOW.
WindowHandle CreateToyWindow(const WindowClass& windowClass, const char* title, DWORD extraStyles, POINT place,
                             SIZE size, WindowHandler* handler);

// The work area of the monitor nearest to point: the screen without the
// taskbar (the primary screen when the system names no monitor).
RECT WorkAreaNear(POINT point);

// The dots per inch the toy's drawings are designed at (100 %).
inline constexpr UINT DESIGN_DPI = 96;

// value (a length at DESIGN_DPI) in pixels at dpi.
int ScaleToDpi(int value, UINT dpi);
SIZE ScaleToDpi(SIZE size, UINT dpi);

// The dpi window is shown at: its monitor's in a program aware of each
// monitor's dpi (Windows 10 on), the system's before.
UINT WindowDpi(HWND window);

// topLeft moved just far enough for a window of size to lie inside area; an
// area smaller than the window keeps the window's top left visible.
POINT KeepInside(POINT topLeft, SIZE size, const RECT& area);
