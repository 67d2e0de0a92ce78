#include "toys/Shared/FrameCache.h"

FrameCache::FrameCache(int width, int height) : width_(width), height_(height) {}

bool FrameCache::Show(HWND window, int key, const std::function<void(LayeredCanvas&)>& draw)
{
    if (shown_ == key) {
        return true;
    }
    std::unique_ptr<LayeredCanvas>& frame = frames_[key];
    if (!frame) {
        frame = std::make_unique<LayeredCanvas>(width_, height_);
        draw(*frame);
    }
    if (!frame->Present(window)) {
        return false;
    }
    shown_ = key;
    return true;
}
