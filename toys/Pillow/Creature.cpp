#include "toys/Pillow/Creature.h"

#include <cmath>

namespace {

constexpr Colour kCloth{236, 226, 250};
constexpr Colour kShade{196, 182, 226};
constexpr Colour kSeam{150, 132, 190};
constexpr Colour kCheek{250, 170, 190, 170};
constexpr Colour kEye{60, 48, 80};
constexpr Colour kShine{255, 255, 255};
constexpr Colour kShadow{40, 30, 60, 70};

// Milliseconds of one breath, of the pause between blinks and of a blink. A
// breath is 32 steps of about a pixel.
constexpr unsigned kBreathAwake = 3000;
constexpr unsigned kBreathAsleep = 6000;
constexpr unsigned kBlinkEvery = 3600;
constexpr unsigned kBlinkLength = 160;

void DrawEyes(LayeredCanvas& canvas, float centreX, float eyeY, bool shut)
{
    for (float side : {-1.0f, 1.0f}) {
        float x = centreX + side * 18;
        if (shut) {
            canvas.DrawLine(x - 7, eyeY, x - 2, eyeY + 3, 2.5f, kEye);
            canvas.DrawLine(x - 2, eyeY + 3, x + 3, eyeY + 3, 2.5f, kEye);
            canvas.DrawLine(x + 3, eyeY + 3, x + 7, eyeY, 2.5f, kEye);
        } else {
            canvas.FillEllipse(x, eyeY, 6, 7.5f, kEye);
            canvas.FillEllipse(x + 2, eyeY - 3, 2, 2, kShine);
        }
    }
}

} // namespace

CreatureLook LookAt(unsigned elapsedMs, bool asleep)
{
    const float pi = 3.14159265f;
    unsigned period = asleep ? kBreathAsleep : kBreathAwake;
    float breath = std::sin(2 * pi * static_cast<float>(elapsedMs % period) / static_cast<float>(period));
    bool blinking = !asleep && elapsedMs % kBlinkEvery < kBlinkLength;
    return {asleep, static_cast<int>(std::lround(breath * BREATH_STEPS)), asleep || blinking};
}

void DrawCreature(LayeredCanvas& canvas, CreatureLook look)
{
    bool asleep = look.asleep;
    float breath = static_cast<float>(look.breath) / BREATH_STEPS;
    float centreX = canvas.Width() / 2.0f;
    float floor = canvas.Height() - 10.0f;
    float radiusX = 50 - 2 * breath;
    float radiusY = (asleep ? 34 : 38) + 4 * breath;
    float centreY = floor - radiusY;

    canvas.Clear();
    canvas.FillEllipse(centreX, floor + 2, 48, 6, kShadow);
    canvas.FillEllipse(centreX - 30, floor - 2, 12, 7, kShade);
    canvas.FillEllipse(centreX + 30, floor - 2, 12, 7, kShade);
    canvas.FillEllipse(centreX, centreY + 2, radiusX + 1, radiusY + 1, kSeam);
    canvas.FillEllipse(centreX, centreY, radiusX, radiusY, kCloth);
    // The pillow's four corners, tucked in as it breathes.
    for (float side : {-1.0f, 1.0f}) {
        canvas.FillEllipse(centreX + side * (radiusX - 6), centreY - radiusY + 10, 9, 8, kCloth);
        canvas.FillEllipse(centreX + side * (radiusX - 6), floor - 10, 9, 8, kCloth);
    }
    canvas.DrawLine(centreX - radiusX + 14, centreY + radiusY - 12, centreX + radiusX - 14, centreY + radiusY - 12,
                    1.5f, kShade);

    float eyeY = centreY - 4;
    DrawEyes(canvas, centreX, eyeY, look.eyesShut);
    canvas.FillEllipse(centreX - 30, eyeY + 12, 7, 4, kCheek);
    canvas.FillEllipse(centreX + 30, eyeY + 12, 7, 4, kCheek);
    if (asleep) {
        canvas.FillEllipse(centreX, eyeY + 16, 3, 3.5f, kEye);
    } else {
        canvas.DrawLine(centreX - 5, eyeY + 14, centreX, eyeY + 17, 2, kEye);
        canvas.DrawLine(centreX, eyeY + 17, centreX + 5, eyeY + 14, 2, kEye);
    }
}
