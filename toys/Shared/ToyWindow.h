// The windows the toy's plugins draw in: borderless, per-pixel alpha, always
// on top and without a taskbar button, each bound to the plugin object that
// handles its messages.
#pragma once

#include "support/Win32Handles.h"

// Registers className for module and makes such a window, hidden, at place;
// extraStyles adds extended styles. The procedure finds self with
// BoundObject. Throws ERR_CREATING_TOY_WINDOW.
WindowHandle CreateToyWindow(HMODULE module, const char* className, WNDPROC procedure, const char* title,
                             DWORD extraStyles, POINT place, SIZE size, void* self);

// The object given to CreateToyWindow, or null before it is bound.
template <typename Object>
Object* BoundObject(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Object*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The work area of the monitor nearest to point: the screen without the
// taskbar (the primary screen when the system names no monitor).
RECT WorkAreaNear(POINT point);

// topLeft moved just far enough for a window of size to lie inside area; an
// area smaller than the window keeps the window's top left visible.
POINT KeepInside(POINT topLeft, SIZE size, const RECT& area);
