#include "tools/kvptest/ToyWindows.h"

#include <cstring>

namespace {

// The id of a message box's text control, on Windows and under Wine alike.
constexpr int kBoxTextId = 0xFFFF;

struct BoxSearch {
    DWORD processId;
    HWND box = nullptr;
};

bool BelongsTo(HWND window, DWORD processId)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == processId && IsWindowVisible(window);
}

bool HasText(HWND window, int(WINAPI* get)(HWND, LPSTR, int), const char* text)
{
    char buffer[64] = "";
    return get(window, buffer, sizeof buffer) > 0 && std::strcmp(buffer, text) == 0;
}

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    BoxSearch& search = *reinterpret_cast<BoxSearch*>(param);
    if (BelongsTo(window, search.processId) && HasText(window, GetClassNameA, "#32770") &&
        HasText(window, GetWindowTextA, "Error")) {
        search.box = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CloseWindow(HWND window, LPARAM processId)
{
    if (BelongsTo(window, static_cast<DWORD>(processId))) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

} // namespace

HWND FindErrorBox(DWORD processId)
{
    BoxSearch search{processId};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

std::string ErrorBoxText(HWND box)
{
    char text[4096];
    UINT length = GetDlgItemTextA(box, kBoxTextId, text, sizeof text);
    return std::string(text, length);
}

void PressOk(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CloseWindows(DWORD processId)
{
    EnumWindows(CloseWindow, static_cast<LPARAM>(processId));
}
