// Dreams: while its parent creature sleeps, small letters z drift up from it.
// It learns the creature's window and state only through the channel of
// plugins/ToyChannel.h, so it follows any parent that speaks that channel; it
// moves on a frame each time the parent shows one, with no timer of its own.
#include <memory>
#include <optional>

#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "toys/Dreams/Drift.h"
#include "toys/Shared/FrameCache.h"
#include "toys/Shared/ToyWindow.h"

namespace {

constexpr const char* kClassName = "PillowmoorDreams";
constexpr int kWidth = DREAMS_WIDTH;
constexpr int kHeight = DREAMS_HEIGHT;

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
        // Clicks pass through the letters to whatever lies below them.
        windowClass_.emplace(module, kClassName);
        window_ = CreateToyWindow(*windowClass_, "Dreams", WS_EX_TRANSPARENT | WS_EX_NOACTIVATE, {0, 0},
                                  {kWidth, kHeight}, nullptr);
        DrawAtParentDpi();
        if (AskParentState(*this) == TOY_STATE_ASLEEP) {
            StartDreaming();
        }
        return 1;
    }

    std::int32_t ReleaseHook() override
    {
        window_.Reset();
        windowClass_.reset();
        frames_.reset();
        return 1;
    }

    std::int32_t SpareHook3(std::int32_t code, std::int32_t state, std::int32_t, std::int32_t) override
    {
        if (code != TOY_TELL_STATE && code != TOY_TELL_FRAME) {
            return 0;
        }
        if (!window_) {
            return 1;
        }
        if (code == TOY_TELL_FRAME) {
            if (dreaming_) {
                NextFrame();
            }
        } else if (state == TOY_STATE_ASLEEP) {
            StartDreaming();
        } else {
            StopDreaming();
        }
        return 1;
    }

private:
    void StartDreaming()
    {
        dreaming_ = true;
        frame_ = 0;
        placed_ = RECT{};
        NextFrame();
    }

    void StopDreaming()
    {
        dreaming_ = false;
        ShowWindow(window_.Get(), SW_HIDE);
    }

    // The letters are drawn at the scale of the creature they rise from (at
    // their own window's dpi beside a parent that does not say its own).
    void DrawAtParentDpi()
    {
        std::int32_t asked = AskParentDpi(*this);
        UINT dpi = asked > 0 ? static_cast<UINT>(asked) : WindowDpi(window_.Get());
        if (frames_ && dpi == dpi_) {
            return;
        }
        dpi_ = dpi;
        frames_ = std::make_unique<FrameCache>(kWidth, kHeight, dpi);
    }

    // Above the creature's right shoulder, wherever it has been moved to; the
    // window is moved (and drawn anew when the creature's dpi changed) only
    // when the creature was. While the creature cannot be seen, neither can
    // its dreams.
    void NextFrame()
    {
        if (!IsWindowVisible(parentWindow_) || IsIconic(parentWindow_)) {
            ShowWindow(window_.Get(), SW_HIDE);
            return;
        }
        RECT parent{};
        GetWindowRect(parentWindow_, &parent);
        if (!EqualRect(&parent, &placed_)) {
            placed_ = parent;
            DrawAtParentDpi();
            POINT place = DreamsPlace(parent, dpi_);
            SetWindowPos(window_.Get(), HWND_TOPMOST, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        }
        if (!IsWindowVisible(window_.Get())) {
            ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
            frames_->Forget();
        }
        unsigned frame = frame_++ % DREAMS_DISTINCT_FRAMES;
        if (!frames_->Show(window_.Get(), static_cast<int>(frame),
                           [frame](LayeredCanvas& canvas) { DrawDrift(canvas, frame); })) {
            throw ERR_SETTING_UP_TOY_GRAPHICS;
        }
    }

    HWND parentWindow_ = nullptr;
    std::unique_ptr<FrameCache> frames_;
    // Declared before the window, which must go first.
    std::optional<WindowClass> windowClass_;
    WindowHandle window_;
    UINT dpi_ = DESIGN_DPI;
    RECT placed_{};
    unsigned frame_ = 0;
    bool dreaming_ = false;
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new DreamsPlugin;
}
