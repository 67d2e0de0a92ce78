// The pillow: a small window with a pillow resting on the moor. A click on it,
// closing it, or ten seconds of rest end the toy.
#include <string>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"

namespace {

constexpr const char* kClassName = "PillowmoorPillow";
constexpr UINT_PTR kRestTimer = 1;
constexpr UINT kRestMilliseconds = 10000;
constexpr int kWidth = 240;
constexpr int kHeight = 160;

void FillEllipse(HDC dc, COLORREF colour, int left, int top, int right, int bottom)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, left, top, right, bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

void PaintScene(HDC dc, const RECT& area, int runCount)
{
    HBRUSH sky = CreateSolidBrush(RGB(200, 220, 240));
    FillRect(dc, &area, sky);
    DeleteObject(sky);
    RECT moor{area.left, area.bottom - 50, area.right, area.bottom};
    HBRUSH grass = CreateSolidBrush(RGB(107, 142, 78));
    FillRect(dc, &moor, grass);
    DeleteObject(grass);

    HPEN seam = CreatePen(PS_SOLID, 2, RGB(138, 127, 106));
    HBRUSH cloth = CreateSolidBrush(RGB(244, 239, 227));
    HGDIOBJ oldPen = SelectObject(dc, seam);
    HGDIOBJ oldBrush = SelectObject(dc, cloth);
    RoundRect(dc, 60, 50, 180, 120, 40, 36);
    MoveToEx(dc, 90, 85, nullptr);
    LineTo(dc, 150, 85);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(cloth);
    DeleteObject(seam);
    FillEllipse(dc, RGB(127, 163, 200), 190, 14, 214, 38);

    std::string caption = "Pillowmoor, run " + std::to_string(runCount);
    SetBkMode(dc, TRANSPARENT);
    RECT text{area.left, area.top + 12, area.right, area.top + 40};
    DrawTextA(dc, caption.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE);
}

class PillowPlugin : public CToyPlugin {
public:
    std::int32_t InitialiseHook() override
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursor(nullptr, IDC_HAND);
        windowClass.lpszClassName = kClassName;
        if (RegisterClassA(&windowClass) == 0) {
            throw ERR_CREATING_TOY_WINDOW;
        }
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "Pillowmoor Toy", WS_POPUP | WS_VISIBLE,
                                  120, 120, kWidth, kHeight, nullptr, nullptr, module, this);
        if (window_ == nullptr) {
            throw ERR_CREATING_TOY_WINDOW;
        }
        if (SetTimer(window_, kRestTimer, kRestMilliseconds, nullptr) == 0) {
            throw ERR_SETTING_ANIMATION_TIMER;
        }
        return 1;
    }

    std::int32_t ReleaseHook() override
    {
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        UnregisterClassA(kClassName, module);
        return 1;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<PillowPlugin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            PaintScene(dc, area, self != nullptr ? self->runCount : 0);
            EndPaint(window, &paint);
            return 0;
        }
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

    HWND window_ = nullptr;
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new PillowPlugin;
}
