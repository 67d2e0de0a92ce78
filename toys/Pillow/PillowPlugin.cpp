// The pillow: a small creature in a borderless, always-on-top, per-pixel-alpha
// window. It breathes and blinks, falls asleep when left alone, follows the
// left mouse button, keeps its place between runs, and offers the toy's menu
// on a right click. Its children hear when it falls asleep or wakes through
// the channel of plugins/ToyChannel.h.
#include <memory>
#include <optional>
#include <string>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "toys/Pillow/Creature.h"
#include "toys/Pillow/PackageWatch.h"
#include "toys/Pillow/Placement.h"
#include "toys/Pillow/PluginsFolder.h"
#include "toys/Pillow/ScreenWatch.h"
#include "toys/Pillow/StartWithWindows.h"
#include "toys/Pillow/ToyMenu.h"
#include "toys/Shared/FrameCache.h"
#include "toys/Shared/ToyWindow.h"

namespace {

constexpr const char* kClassName = "PillowmoorPillow";
constexpr UINT_PTR kAnimationTimer = 1;
// Posted by the watch on the plugins folder.
constexpr UINT kPackagesChanged = WM_APP + 1;
// Half a minute without the mouse on it sends it to sleep.
constexpr DWORD kIdleBeforeSleep = 30000;
constexpr SIZE kWindowSize{CREATURE_SIZE, CREATURE_SIZE};

std::string PluginsFolderPath()
{
    return GetCurrentFolder() + PLUGINS_FOLDER;
}

class PillowPlugin : public CToyPlugin, private WindowHandler {
public:
    std::int32_t InitialiseHook() override
    {
        // Inactive, the pillow shows nothing; and since without it nothing
        // would show how to end the toy, the run ends at once.
        if (active == 0) {
            PostQuitMessage(0);
            return 1;
        }
        ClaimTheToy();
        windowClass_.emplace(module, kClassName);
        window_ = CreateToyWindow(*windowClass_, "Pillowmoor Toy", 0, LoadPlacement(registryKey, kWindowSize),
                                  kWindowSize, this);
        // The dpi is the window's monitor's, known once the window is there.
        UINT dpi = WindowDpi(window_.Get());
        DrawAtDpi(dpi, LoadPlacement(registryKey, ScaleToDpi(kWindowSize, dpi)));
        screen_.emplace(window_.Get());
        WatchPackages();
        stateStart_ = lastActivity_ = Clock();
        if (!ShowLook(stateStart_)) {
            throw ERR_SETTING_UP_TOY_GRAPHICS;
        }
        ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
        return 1;
    }

    std::int32_t ReleaseHook() override
    {
        if (window_) {
            KillTimer(window_.Get(), kAnimationTimer);
            SavePlacement(registryKey, WindowTopLeft());
            screen_.reset();
            packageWatch_.reset();
            window_.Reset();
        }
        windowClass_.reset();
        frames_.reset();
        runningMark_.Reset();
        return 1;
    }

    std::int32_t SpareHook3(std::int32_t code, std::int32_t, std::int32_t, std::int32_t) override
    {
        switch (code) {
        case TOY_ASK_WINDOW:
            return WindowToChannel(window_.Get());
        case TOY_ASK_STATE:
            return asleep_ ? TOY_STATE_ASLEEP : TOY_STATE_AWAKE;
        case TOY_ASK_DPI:
            return static_cast<std::int32_t>(dpi_);
        }
        return 0;
    }

private:
    // One toy at a time: the first run holds a named mutex until its release.
    void ClaimTheToy()
    {
        std::string markName = "Local\\" + app->toyName + ".Pillow";
        KernelHandle mark(CreateMutexA(nullptr, FALSE, markName.c_str()));
        if (!mark || GetLastError() == ERROR_ALREADY_EXISTS) {
            throw ERR_TOY_ALREADY_RUNNING;
        }
        runningMark_ = std::move(mark);
    }

    // Packages dropped into the plugins folder while the toy runs are offered
    // for a restart in the menu; those left from the start count too.
    void WatchPackages()
    {
        waitingPackages_ = CountPackages(PluginsFolderPath());
        packageWatch_.emplace(PluginsFolderPath(), window_.Get(), kPackagesChanged);
    }

    POINT WindowTopLeft() const
    {
        RECT rect{};
        GetWindowRect(window_.Get(), &rect);
        return {rect.left, rect.top};
    }

    SIZE WindowSize() const { return ScaleToDpi(kWindowSize, dpi_); }

    // The creature drawn anew for dpi (not stretched: a frame drawn at one
    // dpi is never shown at another), in a window of its size at topLeft.
    void DrawAtDpi(UINT dpi, POINT topLeft)
    {
        dpi_ = dpi;
        frames_ = std::make_unique<FrameCache>(CREATURE_SIZE, CREATURE_SIZE, dpi);
        SIZE size = WindowSize();
        SetWindowPos(window_.Get(), nullptr, topLeft.x, topLeft.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Moved to a monitor of another dpi: the system suggests where the window
    // keeps its place on the new monitor.
    void ChangeDpi(WPARAM wParam, LPARAM lParam)
    {
        const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
        DrawAtDpi(HIWORD(wParam), {suggested.left, suggested.top});
        if (!ShowLook(Clock())) {
            throw ERR_SETTING_UP_TOY_GRAPHICS;
        }
        TellChildrenFrame(*this);
    }

    // Shows the look of this moment, if it is not the one on the screen.
    bool ShowLook(DWORD now)
    {
        CreatureLook look = LookAt(now - stateStart_, asleep_);
        return frames_->Show(window_.Get(), look.Key(), [&](LayeredCanvas& canvas) { DrawCreature(canvas, look); });
    }

    // Visible, not minimised, and on a screen that is on and not locked: a
    // creature that cannot be seen sends no frames.
    bool Seen() const
    {
        return IsWindowVisible(window_.Get()) && !IsIconic(window_.Get()) && screen_ && screen_->ScreenSeen();
    }

    // The creature's own clock, which stands still while it cannot be seen,
    // so that it resumes where it stopped: no further in its breath and no
    // nearer to sleep.
    DWORD Clock() const { return (animating_ ? GetTickCount() : stoppedAt_) - unseenTime_; }

    // One timer at the state's frame rate paces the creature and, through
    // the channel, its children; it runs only while the creature can be seen.
    // Its children hear when it stops, to hide with it.
    void Animate()
    {
        bool seen = Seen();
        if (seen && !animating_) {
            unseenTime_ += GetTickCount() - stoppedAt_;
        } else if (!seen && animating_) {
            stoppedAt_ = GetTickCount();
        }
        animating_ = seen;
        if (!animating_) {
            KillTimer(window_.Get(), kAnimationTimer);
            TellChildrenFrame(*this);
            return;
        }
        if (SetTimer(window_.Get(), kAnimationTimer, CreatureFrameMilliseconds(asleep_), nullptr) == 0) {
            throw ERR_SETTING_ANIMATION_TIMER;
        }
        NextFrame();
    }

    // The look of this moment, sent only when it changed, and the children's
    // next frames; awake, the check for falling asleep.
    void NextFrame()
    {
        DWORD now = Clock();
        if (!asleep_ && now - lastActivity_ >= kIdleBeforeSleep) {
            SetAsleep(true);
            return;
        }
        ShowLook(now);
        TellChildrenFrame(*this);
    }

    void SetAsleep(bool asleep)
    {
        lastActivity_ = Clock();
        if (asleep == asleep_) {
            return;
        }
        asleep_ = asleep;
        stateStart_ = lastActivity_;
        Animate();
        TellChildrenState(*this, asleep_ ? TOY_STATE_ASLEEP : TOY_STATE_AWAKE);
    }

    // The point of the creature under the mouse, from the message itself:
    // while it is dragged that point stays under the mouse.
    static POINT MessagePoint(LPARAM lParam)
    {
        return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    }

    void StartDrag(LPARAM lParam)
    {
        SetAsleep(false);
        grab_ = MessagePoint(lParam);
        dragging_ = true;
        SetCapture(window_.Get());
    }

    void FollowDrag(LPARAM lParam)
    {
        POINT point = MessagePoint(lParam);
        POINT topLeft = WindowTopLeft();
        SetWindowPos(window_.Get(), nullptr, topLeft.x + point.x - grab_.x, topLeft.y + point.y - grab_.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void EndDrag()
    {
        dragging_ = false;
        POINT place = ClampToWorkArea(WindowTopLeft(), WindowSize());
        SetWindowPos(window_.Get(), nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SavePlacement(registryKey, place);
    }

    void ShowMenu()
    {
        MenuHandle menu = BuildToyMenu(*app, *this, asleep_, waitingPackages_);
        POINT cursor{};
        GetCursorPos(&cursor);
        TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window_.Get(), nullptr);
        PostMessageA(window_.Get(), WM_NULL, 0, 0);
    }

    void ShowAbout()
    {
        MessageBoxA(window_.Get(), AboutText(*app).c_str(), "About Pillowmoor Toy", MB_OK | MB_ICONINFORMATION);
    }

    void OnCommand(UINT command)
    {
        switch (command) {
        case TOY_COMMAND_SLEEP:
            SetAsleep(true);
            return;
        case TOY_COMMAND_WAKE:
            SetAsleep(false);
            return;
        case TOY_COMMAND_START_WITH_WINDOWS:
            SetStartWithWindows(!StartsWithWindows());
            return;
        case TOY_COMMAND_ABOUT:
            ShowAbout();
            return;
        case TOY_COMMAND_ADD_PLUGIN:
            AddPluginPackage(window_.Get());
            return;
        case TOY_COMMAND_OPEN_PLUGINS_FOLDER:
            OpenPluginsFolder(window_.Get());
            return;
        case TOY_COMMAND_RESTART:
            RestartToy(window_.Get());
            return;
        case TOY_COMMAND_EXIT:
            PostQuitMessage(0);
            return;
        }
        TogglePluginActive(*app, *this, command);
    }

    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        // A click never activates the creature: it leaves the keyboard where
        // it was, and a change of the active window would close the menu as
        // it opens (WM_CANCELMODE).
        if (message == WM_MOUSEACTIVATE) {
            result = MA_NOACTIVATE;
            return true;
        }
        if (window == window_.Get() && screen_ && screen_->Notice(message, wParam, lParam)) {
            FollowSeen();
            result = TRUE;
            return true;
        }
        return window == window_.Get() && OnCreatureMessage(message, wParam, lParam);
    }

    // Shown, hidden, minimised or restored by anyone, or the screen locked,
    // unlocked, off or on.
    void FollowSeen()
    {
        if (Seen() != animating_) {
            frames_->Forget();
            Animate();
        }
    }

    bool OnCreatureMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_TIMER:
            NextFrame();
            return true;
        case WM_WINDOWPOSCHANGED:
            FollowSeen();
            return false;
        case WM_LBUTTONDOWN:
            StartDrag(lParam);
            return true;
        case WM_MOUSEMOVE:
            lastActivity_ = Clock();
            if (dragging_) {
                FollowDrag(lParam);
            }
            return true;
        case WM_LBUTTONUP:
            if (dragging_) {
                ReleaseCapture();
                EndDrag();
            }
            return true;
        case WM_CAPTURECHANGED:
            dragging_ = false;
            return true;
        case WM_RBUTTONUP:
            ShowMenu();
            return true;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return true;
        case WM_CLOSE:
            PostQuitMessage(0);
            return true;
        case WM_DPICHANGED:
            ChangeDpi(wParam, lParam);
            return true;
        case kPackagesChanged:
            waitingPackages_ = CountPackages(PluginsFolderPath());
            return true;
        }
        return false;
    }

    KernelHandle runningMark_;
    std::unique_ptr<FrameCache> frames_;
    // Declared before the window, which must go first.
    std::optional<WindowClass> windowClass_;
    WindowHandle window_;
    // Declared after the window, which they must leave first.
    std::optional<ScreenWatch> screen_;
    std::optional<PackageWatch> packageWatch_;
    unsigned waitingPackages_ = 0;
    UINT dpi_ = DESIGN_DPI;
    DWORD stoppedAt_ = 0;
    DWORD unseenTime_ = 0;
    DWORD stateStart_ = 0;
    DWORD lastActivity_ = 0;
    bool asleep_ = false;
    bool animating_ = false;
    bool dragging_ = false;
    POINT grab_{};
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new PillowPlugin;
}
