// Dreams: while its parent creature sleeps, small letters z drift up from it.
// It learns the creature's window and state only through the channel of
// plugins/ToyChannel.h, so it follows any parent that speaks that channel.
#include <memory>

#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "toys/Dreams/Drift.h"
#include "toys/Shared/FrameCache.h"
#include "toys/Shared/ToyWindow.h"

namespace {

constexpr const char* kClassName = "PillowmoorDreams";
constexpr UINT_PTR kDriftTimer = 1;
constexpr int kWidth = DREAMS_WIDTH;
constexpr int kHeight = DREAMS_HEIGHT;
// Frames a letter takes from the creature to the top, and how many float at
// once, evenly spaced: after kDriftFrames / kLetters frames the picture is the
// same again, so that many frames are drawn once and shown in turn.
constexpr UINT kFrameMilliseconds = DREAMS_FRAME_MILLISECONDS;
constexpr unsigned kDriftFrames = 36;
constexpr unsigned kLetters = 3;
constexpr unsigned kDistinctFrames = kDriftFrames / kLetters;
// While the creature cannot be seen, how often to look whether it can again.
constexpr UINT kHiddenMilliseconds = 1000;
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
        frames_ = std::make_unique<FrameCache>(kWidth, kHeight);
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
        frames_.reset();
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
        placed_ = RECT{};
        NextFrame();
    }

    void StopDreaming()
    {
        KillTimer(window_.Get(), kDriftTimer);
        ShowWindow(window_.Get(), SW_HIDE);
    }

    void SetTimerEvery(UINT milliseconds)
    {
        if (SetTimer(window_.Get(), kDriftTimer, milliseconds, nullptr) == 0) {
            throw ERR_SETTING_ANIMATION_TIMER;
        }
    }

    // Above the creature's right shoulder, wherever it has been moved to; the
    // window is moved only when the creature was. While the creature cannot be
    // seen, neither can its dreams, and they only look now and then for it.
    void NextFrame()
    {
        if (!IsWindowVisible(parentWindow_) || IsIconic(parentWindow_)) {
            ShowWindow(window_.Get(), SW_HIDE);
            SetTimerEvery(kHiddenMilliseconds);
            return;
        }
        RECT parent{};
        GetWindowRect(parentWindow_, &parent);
        if (!EqualRect(&parent, &placed_)) {
            placed_ = parent;
            SetWindowPos(window_.Get(), HWND_TOPMOST, parent.right - kWidth + 8, parent.top - kHeight + 40, 0, 0,
                         SWP_NOSIZE | SWP_NOACTIVATE);
        }
        unsigned frame = frame_++ % kDistinctFrames;
        if (!frames_->Show(window_.Get(), static_cast<int>(frame),
                           [frame](LayeredCanvas& canvas) { DrawDrift(canvas, frame); })) {
            throw ERR_SETTING_UP_TOY_GRAPHICS;
        }
        if (!IsWindowVisible(window_.Get())) {
            ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
            SetTimerEvery(kFrameMilliseconds);
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
    std::unique_ptr<FrameCache> frames_;
    WindowHandle window_;
    RECT placed_{};
    unsigned frame_ = 0;
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new DreamsPlugin;
}
