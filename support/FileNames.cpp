#include "support/FileNames.h"

std::string ReplaceExtension(std::string name, std::string extension)
{
    std::string::size_type dot = name.find('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name + "." + extension;
}

std::string JoinBetween(const std::vector<std::string>& items, const std::string& separator)
{
    std::string joined;
    for (const std::string& item : items) {
        joined += (&item == &items.front() ? "" : separator) + item;
    }
    return joined;
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

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text)
{
    for (char& c : text) {
        c = UpperAscii(c);
    }
    return text;
}

// The ANSI superscript digits that Windows also takes as port numbers.
bool IsPortDigit(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (c >= '0' && c <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

// Device names stay devices whatever follows their first dot, and blanks
// before that dot do not count.
bool IsDeviceName(const std::string& name)
{
    std::string base = UpperAscii(name.substr(0, name.find('.')));
    base.erase(base.find_last_not_of(' ') + 1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && IsPortDigit(base[3]);
}

bool HasForbiddenCharacter(const std::string& name)
{
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32 || std::string("<>:\"/\\|?*").find(c) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsSafeFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    if (name.back() == '.' || name.back() == ' ') {
        return false;
    }
    return !HasForbiddenCharacter(name) && !IsDeviceName(name);
}

std::string AsFolderPath(std::string path)
{
    if (!path.empty() && path.back() != '\\') {
        path += '\\';
    }
    return path;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    return UpperAscii(a) == UpperAscii(b);
}
