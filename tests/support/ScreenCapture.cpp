#include "tests/support/ScreenCapture.h"

#include "support/Win32Handles.h"

std::vector<std::uint32_t> CaptureScreenArea(HWND window)
{
    RECT rect{};
    if (!GetWindowRect(window, &rect)) {
        return {};
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc memory(CreateCompatibleDC(nullptr));
    if (!bitmap || !memory) {
        return {};
    }
    HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    HDC screen = GetDC(nullptr);
    bool copied = BitBlt(memory.Get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    SelectObject(memory.Get(), previous);
    if (!copied) {
        return {};
    }
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    return std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width) * height);
}
