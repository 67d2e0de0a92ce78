#include "toys/Pillow/Placement.h"

#include <algorithm>

#include "support/DecimalText.h"
#include "support/Registry.h"

namespace {

const std::string kPositionKey = "\\Position";
const std::string kLeft = "Left";
const std::string kTop = "Top";

RECT WorkAreaNear(POINT point)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return info.rcWork;
}

LONG Within(LONG value, LONG low, LONG high)
{
    // A work area smaller than the window keeps the window's top left visible.
    return std::max(low, std::min(value, high));
}

} // namespace

POINT ClampToWorkArea(POINT topLeft, SIZE size)
{
    POINT centre{topLeft.x + size.cx / 2, topLeft.y + size.cy / 2};
    RECT area = WorkAreaNear(centre);
    return {Within(topLeft.x, area.left, area.right - size.cx), Within(topLeft.y, area.top, area.bottom - size.cy)};
}

POINT LoadPlacement(const std::string& pluginKey, SIZE size)
{
    std::string left;
    std::string top;
    if (GetRegistryString(pluginKey + kPositionKey, kLeft, left) &&
        GetRegistryString(pluginKey + kPositionKey, kTop, top)) {
        return ClampToWorkArea({ParseDecimalInt(left), ParseDecimalInt(top)}, size);
    }
    RECT area = WorkAreaNear({0, 0});
    return ClampToWorkArea({area.right - size.cx - 40, area.bottom - size.cy - 40}, size);
}

void SavePlacement(const std::string& pluginKey, POINT topLeft)
{
    SetRegistryString(pluginKey + kPositionKey, kLeft, FormatDecimal(topLeft.x));
    SetRegistryString(pluginKey + kPositionKey, kTop, FormatDecimal(topLeft.y));
}
