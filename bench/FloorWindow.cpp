// The floor under the living toy: what showing its animation costs at all.
// Layered windows of the toy's sizes and places, each showing one frame drawn
// before the loop, sent again with UpdateLayeredWindow at the pace the toy sends new
// frames in that state, and nothing else. Ends by itself after the given time.
// Prints the frames per second of each window.
// Usage: floor_window awake|asleep MILLISECONDS
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "toys/Dreams/Drift.h"
#include "toys/Pillow/Creature.h"
#include "toys/Shared/LayeredCanvas.h"
#include "toys/Shared/ToyWindow.h"

namespace {

constexpr UINT_PTR kEndTimer = 1;

// The creature takes its look once a frame and sends it when it changed:
// counted over whole breaths and blinks (a minute is a multiple of both).
double CreatureFramesPerSecond(bool asleep)
{
    constexpr unsigned kMinute = 60000;
    unsigned frame = CreatureFrameMilliseconds(asleep);
    int changes = 0;
    for (unsigned ms = frame; ms <= kMinute; ms += frame) {
        changes += LookAt(ms, asleep) == LookAt(ms - frame, asleep) ? 0 : 1;
    }
    return changes / 60.0;
}

struct Floor : WindowHandler {
    Floor(std::unique_ptr<LayeredCanvas> drawn, const char* className)
        : canvas(std::move(drawn)), windowClass(GetModuleHandleA(nullptr), className)
    {
    }

    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT&) override
    {
        if (message == WM_TIMER && wParam == kEndTimer) {
            PostQuitMessage(0);
            return true;
        }
        if (message == WM_TIMER) {
            canvas->Present(window);
            return true;
        }
        return false;
    }

    std::unique_ptr<LayeredCanvas> canvas;
    WindowClass windowClass;
    WindowHandle window;
};

void Open(Floor& floor, const char* title, POINT place, double framesPerSecond)
{
    SIZE size = floor.canvas->PixelSize();
    floor.window = CreateToyWindow(floor.windowClass, title, 0, place, size, &floor);
    floor.canvas->Present(floor.window.Get());
    ShowWindow(floor.window.Get(), SW_SHOWNOACTIVATE);
    SetTimer(floor.window.Get(), 2, static_cast<UINT>(1000 / framesPerSecond + 0.5), nullptr);
    std::printf("%s %.1f frames/s\n", title, framesPerSecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    bool asleep = std::strcmp(argv[1], "asleep") == 0;
    Floor creature(std::make_unique<LayeredCanvas>(CREATURE_SIZE, CREATURE_SIZE, DESIGN_DPI), "FloorCreature");
    DrawCreature(*creature.canvas, LookAt(0, asleep));
    Open(creature, "FloorCreature", {400, 400}, CreatureFramesPerSecond(asleep));
    Floor dreams(std::make_unique<LayeredCanvas>(DREAMS_WIDTH, DREAMS_HEIGHT, DESIGN_DPI), "FloorDreams");
    if (asleep) {
        RECT creatureRect{};
        GetWindowRect(creature.window.Get(), &creatureRect);
        DrawDrift(*dreams.canvas, 0);
        Open(dreams, "FloorDreams", DreamsPlace(creatureRect, DESIGN_DPI), 1000.0 / CREATURE_FRAME_MS_ASLEEP);
    }
    std::fflush(stdout);
    SetTimer(creature.window.Get(), kEndTimer, static_cast<UINT>(std::atoi(argv[2])), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
