#include "tests/plugins/BoxRecorder.h"

#include <string>

#include "support/Win32Handles.h"

namespace {

thread_local HHOOK threadHook = nullptr;

// What GetWindowTextA or GetClassNameA gives for window.
std::string Read(int(WINAPI* get)(HWND, LPSTR, int), HWND window)
{
    char text[4096];
    int length = get(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

// What a message box shows: its text, its visible buttons and whether it
// carries an icon.
struct BoxContents {
    std::string text;
    std::string buttons;
    bool hasIcon = false;
};

BOOL CALLBACK ReadControl(HWND control, LPARAM param)
{
    BoxContents& box = *reinterpret_cast<BoxContents*>(param);
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    std::string text = Read(GetWindowTextA, control);
    if (!(style & WS_VISIBLE)) {
        return TRUE;
    }
    if (lstrcmpiA(Read(GetClassNameA, control).c_str(), "Button") == 0) {
        box.buttons += (box.buttons.empty() ? "" : ",") + text;
    } else if ((style & SS_TYPEMASK) == SS_ICON) {
        box.hasIcon = box.hasIcon || SendMessageA(control, STM_GETICON, 0, 0) != 0;
    } else if (!text.empty()) {
        box.text = text;
    }
    return TRUE;
}

std::string Describe(HWND dialog)
{
    BoxContents box;
    EnumChildWindows(dialog, ReadControl, reinterpret_cast<LPARAM>(&box));
    return "box|" + Read(GetWindowTextA, dialog) + "|" + box.text + "|" + box.buttons + "|" +
           (box.hasIcon ? "icon" : "no icon");
}

// Closes the box as a click on OK would, a quarter of a second later, so that
// the box's message loop runs as it does while a user reads the box.
void CALLBACK PressOk(HWND dialog, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(dialog, timer);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK RecordBox(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && Read(GetClassNameA, window) == "#32770") {
        AppendTrace(Describe(window).c_str());
        SetTimer(window, 1, 250, PressOk);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void AppendTrace(const char* line)
{
    KernelHandle file(CreateFileA("trace.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        file.Release();
        return;
    }
    std::string text = std::string(line) + "\n";
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void RecordMessageBoxes()
{
    if (threadHook != nullptr) {
        return;
    }
    // The hook procedure lives here, so this library must outlive every box.
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&RecordBox), &self);
    threadHook = SetWindowsHookExA(WH_CBT, RecordBox, nullptr, GetCurrentThreadId());
}
