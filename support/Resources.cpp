#include "support/Resources.h"

#include <vector>

#include "support/DecimalText.h"

bool LoadResourceString(HINSTANCE instance, UINT id, int bufferSize, std::string& destination)
{
    // A size of 0 would ask LoadStringA for a pointer into the resource instead of a copy.
    if (bufferSize < 1) {
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize), '\0');
    int length = LoadStringA(instance, id, buffer.data(), bufferSize);
    if (length <= 0) {
        return false;
    }
    destination.assign(buffer.data());
    return true;
}

bool LoadResourceInt(HINSTANCE instance, UINT id, int bufferSize, std::int32_t& destination)
{
    std::string text;
    if (!LoadResourceString(instance, id, bufferSize, text)) {
        return false;
    }
    destination = ParseDecimalInt(text);
    return true;
}

bool LoadResourceBool(HINSTANCE instance, UINT id, int bufferSize, std::int32_t& destination)
{
    std::string text;
    if (!LoadResourceString(instance, id, bufferSize, text)) {
        return false;
    }
    destination = text == "TRUE" ? 1 : 0;
    return true;
}

bool LoadResourceDouble(HINSTANCE instance, UINT id, int bufferSize, double& destination)
{
    std::string text;
    if (!LoadResourceString(instance, id, bufferSize, text)) {
        return false;
    }
    destination = ParseDecimalDouble(text);
    return true;
}
