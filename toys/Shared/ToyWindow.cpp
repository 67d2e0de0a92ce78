#include "toys/Shared/ToyWindow.h"

#include <algorithm>

#include "errors/ToyError.h"

WindowHandle CreateToyWindow(const WindowClass& windowClass, const char* title, DWORD extraStyles, POINT place,
                             SIZE size, WindowHandler* handler)
{
    WindowHandle window = windowClass.Create(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | extraStyles, WS_POPUP,
                                             title, place, size, handler);
    if (!window) {
        throw ERR_CREATING_TOY_WINDOW;
    }
    return window;
}

RECT WorkAreaNear(POINT point)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return info.rcWork;
}

int ScaleToDpi(int value, UINT dpi)
{
    return MulDiv(value, static_cast<int>(dpi), DESIGN_DPI);
}

SIZE ScaleToDpi(SIZE size, UINT dpi)
{
    return {ScaleToDpi(size.cx, dpi), ScaleToDpi(size.cy, dpi)};
}

// GetDpiForWindow is looked up, since Windows 7 and 8 lack it.
UINT WindowDpi(HWND window)
{
    using DpiForWindow = UINT(WINAPI*)(HWND);
    auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (UINT dpi = dpiForWindow != nullptr ? dpiForWindow(window) : 0; dpi != 0) {
        return dpi;
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : DESIGN_DPI;
}

POINT KeepInside(POINT topLeft, SIZE size, const RECT& area)
{
    auto within = [](LONG value, LONG low, LONG high) { return std::max(low, std::min(value, high)); };
    return {within(topLeft.x, area.left, area.right - size.cx), within(topLeft.y, area.top, area.bottom - size.cy)};
}
