#include "tests/support/MessageBoxReader.h"

namespace {

std::string WindowText(HWND window)
{
    char text[4096];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string ClassName(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

BOOL CALLBACK ReadControl(HWND control, LPARAM param)
{
    CapturedBox& box = *reinterpret_cast<CapturedBox*>(param);
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if (!(style & WS_VISIBLE)) {
        return TRUE;
    }
    std::string kind = ClassName(control);
    if (lstrcmpiA(kind.c_str(), "Button") == 0) {
        box.buttons.push_back(WindowText(control));
    } else if (lstrcmpiA(kind.c_str(), "Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            box.hasIcon = box.hasIcon || SendMessageA(control, STM_GETICON, 0, 0) != 0;
        } else if (!WindowText(control).empty()) {
            box.text = WindowText(control);
        }
    }
    return TRUE;
}

void CALLBACK PressOkNow(HWND dialog, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(dialog, timer);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

} // namespace

bool IsDialogWindow(HWND window)
{
    return ClassName(window) == "#32770";
}

CapturedBox ReadMessageBox(HWND dialog)
{
    CapturedBox box;
    box.title = WindowText(dialog);
    EnumChildWindows(dialog, ReadControl, reinterpret_cast<LPARAM>(&box));
    return box;
}

void PressOk(HWND dialog)
{
    SetTimer(dialog, 1, 250, PressOkNow);
}
