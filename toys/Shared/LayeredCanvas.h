// A drawing surface for a per-pixel-alpha window: a 32-bit premultiplied
// DIB section that smooth shapes are blended into and that is shown with
// UpdateLayeredWindow. Shared by the toy's plugins that draw. Shapes are
// given in units of the design's 96 dpi and drawn at the surface's own dpi,
// so that a drawing keeps its size on the screen and stays sharp at any scale.
#pragma once

#include <cstdint>

#include "support/Win32Handles.h"

// A colour with straight (not premultiplied) alpha.
struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t alpha = 255;
};

class LayeredCanvas {
public:
    // A surface of width by height design units at dpi. Throws
    // ERR_SETTING_UP_TOY_GRAPHICS when the bitmap cannot be made.
    LayeredCanvas(int width, int height, UINT dpi);
    ~LayeredCanvas();
    LayeredCanvas(const LayeredCanvas&) = delete;
    LayeredCanvas& operator=(const LayeredCanvas&) = delete;

    // The size in design units, as given.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The size of the bitmap, and so of the window it is shown in.
    SIZE PixelSize() const { return pixelSize_; }

    // Makes every pixel fully transparent.
    void Clear();
    // Centre and radii in design units; edges are smoothed over one pixel.
    void FillEllipse(float centreX, float centreY, float radiusX, float radiusY, Colour colour);
    // A stroke with round ends.
    void DrawLine(float x0, float y0, float x1, float y1, float thickness, Colour colour);

    // Shows the surface as the whole content of the layered window, keeping
    // its position. False when the system refuses.
    bool Present(HWND window) const;

private:
    void Blend(int x, int y, Colour colour, float coverage);

    int width_;
    int height_;
    float scale_;
    SIZE pixelSize_;
    MemoryDc dc_;
    GdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};
