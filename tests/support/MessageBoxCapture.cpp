#include "tests/support/MessageBoxCapture.h"

#include <stdexcept>

#include "support/Win32.h"

struct MessageBoxCaptureAccess {
    static MessageBoxCapture* active;
    static std::vector<CapturedBox>& Boxes(MessageBoxCapture& capture) { return capture.boxes_; }
};
MessageBoxCapture* MessageBoxCaptureAccess::active = nullptr;

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

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxCapture* capture = MessageBoxCaptureAccess::active;
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && capture != nullptr && ClassName(window) == "#32770") {
        CapturedBox box;
        box.title = WindowText(window);
        EnumChildWindows(window, ReadControl, reinterpret_cast<LPARAM>(&box));
        MessageBoxCaptureAccess::Boxes(*capture).push_back(box);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

MessageBoxCapture::MessageBoxCapture()
{
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    if (hook_ == nullptr) {
        throw std::runtime_error("cannot install the WH_CBT hook");
    }
    MessageBoxCaptureAccess::active = this;
}

MessageBoxCapture::~MessageBoxCapture()
{
    MessageBoxCaptureAccess::active = nullptr;
    UnhookWindowsHookEx(static_cast<HHOOK>(hook_));
}
