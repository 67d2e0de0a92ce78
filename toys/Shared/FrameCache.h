// The frames of an animation that comes round again: each distinct frame is
// drawn once, into a surface of its own, the first time it is needed, and a
// window is sent a frame only when it differs from the one it shows.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "toys/Shared/LayeredCanvas.h"

class FrameCache {
public:
    // Frames of width by height design units, drawn at dpi.
    FrameCache(int width, int height, UINT dpi);

    // Shows the frame named key in window, drawing it with draw on first use.
    // Does nothing when window already shows it. False when the system
    // refuses the frame.
    bool Show(HWND window, int key, const std::function<void(LayeredCanvas&)>& draw);

    // The window may not have kept what it was sent while it was hidden: the
    // next Show sends its frame whatever the window showed.
    void Forget() { shown_.reset(); }

private:
    int width_;
    int height_;
    UINT dpi_;
    std::map<int, std::unique_ptr<LayeredCanvas>> frames_;
    std::optional<int> shown_;
};
