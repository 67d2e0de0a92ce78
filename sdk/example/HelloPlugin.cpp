// A plugin that shows a small window greeting the user and ends the toy when
// the window is closed, clicked, or after a few seconds. Its children reach
// the window through the toy channel.
#include <string>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"

namespace {

constexpr const char* kClassName = "HelloPluginWindow";
constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kShowMilliseconds = 3000;

class HelloPlugin : public CToyPlugin {
public:
    // Runs once the host has accepted the plugin: the place to set up what it shows.
    std::int32_t InitialiseHook() override
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        // Under two owners the library is loaded once and its second object
        // finds the class already there.
        if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            throw ERR_CREATING_TOY_WINDOW;
        }
        window_ = CreateWindowExA(WS_EX_TOPMOST, kClassName, "Hello", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320,
                                  120, nullptr, nullptr, module, this);
        if (window_ == nullptr) {
            throw ERR_CREATING_TOY_WINDOW;
        }
        // Timers go through WM_TIMER in the window procedure, where a thrown
        // CKVErr always reaches the host.
        SetTimer(window_, kCloseTimer, kShowMilliseconds, nullptr);
        return 1;
    }

    // Runs for every object the host made, also for one it rejected before
    // InitialiseHook ran: undo only what was done. The class goes with the
    // last window of the library; while another object's window uses it,
    // UnregisterClassA refuses and changes nothing.
    std::int32_t ReleaseHook() override
    {
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        UnregisterClassA(kClassName, module);
        return 1;
    }

    // The toy channel: children ask for the window and the state.
    std::int32_t SpareHook3(std::int32_t code, std::int32_t a, std::int32_t b, std::int32_t c) override
    {
        switch (code) {
        case TOY_ASK_WINDOW:
            return WindowToChannel(window_);
        case TOY_ASK_STATE:
            return TOY_STATE_AWAKE;
        default:
            return CToyPlugin::SpareHook3(code, a, b, c);
        }
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<HelloPlugin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        switch (message) {
        case WM_PAINT:
            if (self != nullptr) {
                self->Paint(window);
                return 0;
            }
            break;
        case WM_TIMER:
        case WM_LBUTTONUP:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (self != nullptr) {
                self->window_ = nullptr;
            }
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Paint(HWND window)
    {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        std::string greeting = "Hello from " + name + ", run " + std::to_string(runCount) + " under " + app->toyName;
        DrawTextA(dc, greeting.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
    }

    HWND window_ = nullptr;
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new HelloPlugin;
}
