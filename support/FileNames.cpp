#include "support/FileNames.h"

std::string ReplaceExtension(std::string name, std::string extension)
{
    std::string::size_type dot = name.find('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name + "." + extension;
}

std::string JoinWithSeparator(std::vector<std::string> items, char separator)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += item;
        joined += separator;
    }
    return joined;
}
