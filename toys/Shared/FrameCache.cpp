#include "toys/Shared/FrameCache.h"

FrameCache::FrameCache(int width, int height, UINT dpi) : width_(width), height_(height), dpi_(dpi) {}

bool FrameCache::Show(HWND window, int key, const std::function<void(LayeredCanvas&)>& draw)
{
    if (shown_ == key) {
        return true;
    }
    std::unique_ptr<LayeredCanvas>& frame = frames_[key];
    if (!frame) {
        frame = std::make_unique<LayeredCanvas>(width_, height_, dpi_);
        draw(*frame);
    }
    if (!frame->Present(window)) {
        return false;
    }
    shown_ = key;
    return true;
}
