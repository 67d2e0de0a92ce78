#include "toys/Shared/LayeredCanvas.h"

#include <algorithm>
#include <cmath>

#include "errors/ToyError.h"
#include "toys/Shared/ToyWindow.h"

namespace {

float Coverage(float distanceOutside)
{
    return std::clamp(0.5f - distanceOutside, 0.0f, 1.0f);
}

// The pixel rows and columns a shape with these bounds may touch.
struct Span {
    int first;
    int last;
};

Span Clip(float low, float high, int size)
{
    return {std::max(0, static_cast<int>(std::floor(low)) - 1),
            std::min(size - 1, static_cast<int>(std::ceil(high)) + 1)};
}

} // namespace

LayeredCanvas::LayeredCanvas(int width, int height, UINT dpi)
    : width_(width), height_(height), scale_(static_cast<float>(dpi) / DESIGN_DPI),
      pixelSize_(ScaleToDpi(SIZE{width, height}, dpi))
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixelSize_.cx;
    info.bmiHeader.biHeight = -pixelSize_.cy; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_.Reset(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc_ || !bitmap_ || bits == nullptr) {
        throw ERR_SETTING_UP_TOY_GRAPHICS;
    }
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_.Get(), bitmap_.Get());
    Clear();
}

LayeredCanvas::~LayeredCanvas()
{
    // The bitmap can only be deleted once it is out of the device context.
    SelectObject(dc_.Get(), previous_);
}

void LayeredCanvas::Clear()
{
    std::fill(pixels_, pixels_ + static_cast<std::size_t>(pixelSize_.cx) * pixelSize_.cy, 0u);
}

void LayeredCanvas::FillEllipse(float centreX, float centreY, float radiusX, float radiusY, Colour colour)
{
    centreX *= scale_;
    centreY *= scale_;
    radiusX *= scale_;
    radiusY *= scale_;
    Span rows = Clip(centreY - radiusY, centreY + radiusY, pixelSize_.cy);
    Span columns = Clip(centreX - radiusX, centreX + radiusX, pixelSize_.cx);
    float scale = std::min(radiusX, radiusY);
    for (int y = rows.first; y <= rows.last; ++y) {
        for (int x = columns.first; x <= columns.last; ++x) {
            float dx = (x + 0.5f - centreX) / radiusX;
            float dy = (y + 0.5f - centreY) / radiusY;
            Blend(x, y, colour, Coverage((std::sqrt(dx * dx + dy * dy) - 1.0f) * scale));
        }
    }
}

void LayeredCanvas::DrawLine(float x0, float y0, float x1, float y1, float thickness, Colour colour)
{
    x0 *= scale_;
    y0 *= scale_;
    x1 *= scale_;
    y1 *= scale_;
    float half = thickness * scale_ / 2;
    Span rows = Clip(std::min(y0, y1) - half, std::max(y0, y1) + half, pixelSize_.cy);
    Span columns = Clip(std::min(x0, x1) - half, std::max(x0, x1) + half, pixelSize_.cx);
    float lengthSquared = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
    for (int y = rows.first; y <= rows.last; ++y) {
        for (int x = columns.first; x <= columns.last; ++x) {
            float px = x + 0.5f - x0;
            float py = y + 0.5f - y0;
            float along =
                lengthSquared > 0 ? std::clamp((px * (x1 - x0) + py * (y1 - y0)) / lengthSquared, 0.0f, 1.0f) : 0.0f;
            float dx = px - along * (x1 - x0);
            float dy = py - along * (y1 - y0);
            Blend(x, y, colour, Coverage(std::sqrt(dx * dx + dy * dy) - half));
        }
    }
}

bool LayeredCanvas::Present(HWND window) const
{
    SIZE size = pixelSize_;
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return UpdateLayeredWindow(window, nullptr, nullptr, &size, dc_.Get(), &origin, 0, &blend, ULW_ALPHA) != 0;
}

// Source over destination, both premultiplied, as UpdateLayeredWindow wants.
void LayeredCanvas::Blend(int x, int y, Colour colour, float coverage)
{
    if (coverage <= 0) {
        return;
    }
    float alpha = colour.alpha / 255.0f * coverage;
    std::uint32_t& pixel = pixels_[static_cast<std::size_t>(y) * pixelSize_.cx + x];
    auto channel = [&](int shift, float source) {
        float below = static_cast<float>((pixel >> shift) & 0xFF);
        return static_cast<std::uint32_t>(std::lround(source * alpha + below * (1 - alpha))) << shift;
    };
    pixel = channel(24, 255.0f) | channel(16, colour.red) | channel(8, colour.green) | channel(0, colour.blue);
}
