#include "tests/support/MessageBoxCapture.h"

#include <stdexcept>

MessageBoxCapture* MessageBoxCapture::active_ = nullptr;

LRESULT CALLBACK MessageBoxCapture::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && active_ != nullptr && IsDialogWindow(window)) {
        active_->boxes_.push_back(ReadMessageBox(window));
        PressOk(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MessageBoxCapture::MessageBoxCapture()
{
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    if (hook_ == nullptr) {
        throw std::runtime_error("cannot install the WH_CBT hook");
    }
    active_ = this;
}

MessageBoxCapture::~MessageBoxCapture()
{
    active_ = nullptr;
    UnhookWindowsHookEx(hook_);
}
