#include "app/QuietQueue.h"

#include <algorithm>

namespace {

// Hook procedures take no context; the one QuietQueue of the thread keeps its
// windows here.
thread_local std::vector<HWND> createdWindows;

LRESULT CALLBACK NoteCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        createdWindows.push_back(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool MayPass(const MSG& message)
{
    return message.message == WM_QUIT ||
           std::find(createdWindows.begin(), createdWindows.end(), message.hwnd) != createdWindows.end();
}

// Turns a held message into a null message for no window, which
// DispatchMessage passes to nobody.
LRESULT CALLBACK HoldMessage(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && !MayPass(*message)) {
        if (message->message == WM_PAINT && message->hwnd != nullptr) {
            ValidateRect(message->hwnd, nullptr);
        }
        message->message = WM_NULL;
        message->hwnd = nullptr;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

QuietQueue::QuietQueue()
    : creations_(SetWindowsHookExA(WH_CBT, NoteCreation, nullptr, GetCurrentThreadId())),
      messages_(SetWindowsHookExA(WH_GETMESSAGE, HoldMessage, nullptr, GetCurrentThreadId()))
{
    createdWindows.clear();
}

QuietQueue::~QuietQueue()
{
    messages_.Reset();
    creations_.Reset();
    createdWindows.clear();
}
