#include "toys/Shared/ToyWindow.h"

#include <algorithm>

#include "errors/ToyError.h"

WindowHandle CreateToyWindow(HMODULE module, const char* className, WNDPROC procedure, const char* title,
                             DWORD extraStyles, POINT place, SIZE size, void* self)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(nullptr, IDC_HAND);
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) {
        throw ERR_CREATING_TOY_WINDOW;
    }
    WindowHandle window(CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | extraStyles, className,
                                        title, WS_POPUP, place.x, place.y, size.cx, size.cy, nullptr, nullptr, module,
                                        self));
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

POINT KeepInside(POINT topLeft, SIZE size, const RECT& area)
{
    auto within = [](LONG value, LONG low, LONG high) { return std::max(low, std::min(value, high)); };
    return {within(topLeft.x, area.left, area.right - size.cx), within(topLeft.y, area.top, area.bottom - size.cy)};
}
