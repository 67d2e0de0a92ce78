#include "toys/Pillow/Placement.h"

#include "support/DecimalText.h"
#include "support/Registry.h"
#include "toys/Shared/ToyWindow.h"

namespace {

const std::string kPositionKey = "\\Position";
const std::string kLeft = "Left";
const std::string kTop = "Top";

} // namespace

POINT ClampToWorkArea(POINT topLeft, SIZE size)
{
    POINT centre{topLeft.x + size.cx / 2, topLeft.y + size.cy / 2};
    return KeepInside(topLeft, size, WorkAreaNear(centre));
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
