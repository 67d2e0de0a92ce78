// Dreams: while its parent creature sleeps, small letters z drift up from it.
// It learns the creature's window and state only through the channel of
// plugins/ToyChannel.h, so it follows any parent that speaks that channel.
#include <memory>

#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "toys/Shared/LayeredCanvas.h"
#include "toys/Shared/ToyWindow.h"

namespace {

constexpr const char* kClassName = "PillowmoorDreams";
constexpr UINT_PTR kDriftTimer = 1;
constexpr UINT kFrameMilliseconds = 50;
constexpr int kWidth = 72;
constexpr int kHeight = 96;
// Frames a letter takes from the creature to the top, and how many float at once.
constexpr unsigned kDriftFrames = 60;
constexpr unsigned kLetters = 3;
constexpr Colour kInk{110, 120, 200};

void DrawZ(LayeredCanvas& canvas, float centreX, float centreY, float size, Colour colour)
{
    float half = size / 2;
    float left = centreX - half;
    float right = centreX + half;
    float top = centreY - half;
    float bottom = centreY + half;
    float stroke = 1 + size / 8;
    canvas.DrawLine(left, top, right, top, stroke, colour);
    canvas.DrawLine(right, top, left, bottom, stroke, colour);
    canvas.DrawLine(left, bottom, right, bottom, stroke, colour);
}

// Each letter rises along a gentle curve, growing, and fades near the top.
void DrawDrift(LayeredCanvas& canvas, unsigned frame)
{
    canvas.Clear();
    for (unsigned letter = 0; letter < kLetters; ++letter) {
        unsigned age = (frame + letter * kDriftFrames / kLetters) % kDriftFrames;
        float progress = static_cast<float>(age) / kDriftFrames;
        float x = 16 + progress * 36 + (letter % 2 == 0 ? 4.0f : -4.0f) * progress;
        float y = kHeight - 12 - progress * (kHeight - 24);
        Colour colour = kInk;
        colour.alpha = static_cast<std::uint8_t>(255 * (progress < 0.7f ? 1.0f : (1.0f - progress) / 0.3f));
        DrawZ(canvas, x, y, 8 + progress * 12, colour);
    }
}

class DreamsPlugin : public CToyPlugin {
public:
    std::int32_t InitialiseHook() override
    {
        // Inactive, or under a parent with no window to dream above: loaded,
        // but nothing to show.
        parentWindow_ = AskParentWindow(*this);
        if (active == 0 || parentWindow_ == nullptr) {
            return 1;
        }
        canvas_ = std::make_unique<LayeredCanvas>(kWidth, kHeight);
        // Clicks pass through the letters to whatever lies below them.
        window_ = CreateToyWindow(module, kClassName, WindowProc, "Dreams", WS_EX_TRANSPARENT | WS_EX_NOACTIVATE,
                                  {0, 0}, {kWidth, kHeight}, this);
        if (AskParentState(*this) == TOY_STATE_ASLEEP) {
            StartDreaming();
        }
        return 1;
    }

    std::int32_t ReleaseHook() override
    {
        if (window_) {
            KillTimer(window_.Get(), kDriftTimer);
            window_.Reset();
        }
        UnregisterClassA(kClassName, module);
        canvas_.reset();
        return 1;
    }

    std::int32_t SpareHook3(std::int32_t code, std::int32_t state, std::int32_t, std::int32_t) override
    {
        if (code != TOY_TELL_STATE) {
            return 0;
        }
        if (window_) {
            if (state == TOY_STATE_ASLEEP) {
                StartDreaming();
            } else {
                StopDreaming();
            }
        }
        return 1;
    }

private:
    void StartDreaming()
    {
        frame_ = 0;
        NextFrame();
        ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
        if (SetTimer(window_.Get(), kDriftTimer, kFrameMilliseconds, nullptr) == 0) {
            throw ERR_SETTING_ANIMATION_TIMER;
        }
    }

    void StopDreaming()
    {
        KillTimer(window_.Get(), kDriftTimer);
        ShowWindow(window_.Get(), SW_HIDE);
    }

    // Above the creature's right shoulder, wherever it has been moved to.
    void NextFrame()
    {
        RECT parent{};
        GetWindowRect(parentWindow_, &parent);
        SetWindowPos(window_.Get(), HWND_TOPMOST, parent.right - kWidth + 8, parent.top - kHeight + 40, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
        DrawDrift(*canvas_, frame_++);
        if (!canvas_->Present(window_.Get())) {
            throw ERR_SETTING_UP_TOY_GRAPHICS;
        }
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = BoundObject<DreamsPlugin>(window, message, lParam);
        if (message == WM_TIMER && self != nullptr && self->window_.Get() == window) {
            self->NextFrame();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND parentWindow_ = nullptr;
    std::unique_ptr<LayeredCanvas> canvas_;
    WindowHandle window_;
    unsigned frame_ = 0;
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new DreamsPlugin;
}
