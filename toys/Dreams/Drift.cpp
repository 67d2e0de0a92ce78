#include "toys/Dreams/Drift.h"

#include "toys/Shared/ToyWindow.h"

namespace {

// Frames a letter takes from the creature to the top, and how many float at once.
constexpr unsigned kDriftFrames = 36;
constexpr unsigned kLetters = kDriftFrames / DREAMS_DISTINCT_FRAMES;
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

} // namespace

// With no room above the creature (it sits at the top of the screen), the
// letters rise beside its head: on its right, or on its left where the right
// edge leaves no room. Either way the window is kept inside the work area.
POINT DreamsPlace(const RECT& creature, UINT dpi)
{
    RECT area = WorkAreaNear({(creature.left + creature.right) / 2, (creature.top + creature.bottom) / 2});
    SIZE size = ScaleToDpi(SIZE{DREAMS_WIDTH, DREAMS_HEIGHT}, dpi);
    LONG overlap = ScaleToDpi(8, dpi);
    POINT place{creature.right - size.cx + overlap, creature.top - size.cy + ScaleToDpi(40, dpi)};
    if (place.y < area.top) {
        LONG rightOfIt = creature.right - overlap;
        place = {rightOfIt + size.cx <= area.right ? rightOfIt : creature.left - size.cx + overlap, creature.top};
    }
    return KeepInside(place, size, area);
}

// Each letter rises along a gentle curve, growing, and fades near the top.
void DrawDrift(LayeredCanvas& canvas, unsigned frame)
{
    canvas.Clear();
    for (unsigned letter = 0; letter < kLetters; ++letter) {
        unsigned age = (frame + letter * kDriftFrames / kLetters) % kDriftFrames;
        float progress = static_cast<float>(age) / kDriftFrames;
        float x = 16 + progress * 36 + (letter % 2 == 0 ? 4.0f : -4.0f) * progress;
        float y = DREAMS_HEIGHT - 12 - progress * (DREAMS_HEIGHT - 24);
        Colour colour = kInk;
        colour.alpha = static_cast<std::uint8_t>(255 * (progress < 0.7f ? 1.0f : (1.0f - progress) / 0.3f));
        DrawZ(canvas, x, y, 8 + progress * 12, colour);
    }
}
