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

// A port number as Windows takes it: a digit, or the superscripts one, two
// and three (in UTF-8, the code page of the host and the tools).
bool IsPortNumber(const std::string& text)
{
    return (text.size() == 1 && text[0] >= '0' && text[0] <= '9') || text == "\xC2\xB9" || text == "\xC2\xB2" ||
           text == "\xC2\xB3";
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
    return (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && IsPortNumber(base.substr(3));
}

// The length of the UTF-8 sequence that starts text at at, 0 when none does.
// Overlong forms, surrogates and anything above U+10FFFF count as none:
// Windows would turn them into U+FFFD, that is into another name.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at)
{
    auto byte = [&](std::size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u; };
    auto continues = [&](std::size_t i, unsigned low, unsigned high) { return byte(i) >= low && byte(i) <= high; };
    unsigned lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continues(1, 0x80, 0xBF) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return continues(1, low, high) && continues(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return continues(1, low, high) && continues(2, 0x80, 0xBF) && continues(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
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

bool IsValidUtf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
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
    return IsValidUtf8(name) && !HasForbiddenCharacter(name) && !IsDeviceName(name);
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
