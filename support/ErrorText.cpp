#include "support/ErrorText.h"

#include "support/Win32.h"

std::string LastErrorText()
{
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(),
                                  0, text, sizeof text, nullptr);
    std::string message(text, length);
    return message.substr(0, message.find_last_not_of("\r\n. ") + 1);
}
