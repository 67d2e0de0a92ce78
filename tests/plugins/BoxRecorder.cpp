#include "tests/plugins/BoxRecorder.h"

#include <string>

#include "support/Win32Handles.h"
#include "tests/support/MessageBoxReader.h"

namespace {

thread_local HHOOK threadHook = nullptr;

std::string Describe(const CapturedBox& box)
{
    std::string buttons;
    for (const std::string& button : box.buttons) {
        buttons += (buttons.empty() ? "" : ",") + button;
    }
    return "box|" + box.title + "|" + box.text + "|" + buttons + "|" + (box.hasIcon ? "icon" : "no icon");
}

LRESULT CALLBACK RecordBox(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsDialogWindow(window)) {
        AppendTrace(Describe(ReadMessageBox(window)).c_str());
        PressOk(window);
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
