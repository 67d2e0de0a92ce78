// The dreams' letters: their window, their pace and their drawing, which the
// living-toy benchmark's floor copies.
#pragma once

#include "support/Win32.h"
#include "toys/Shared/LayeredCanvas.h"

inline constexpr int DREAMS_WIDTH = 72;
inline constexpr int DREAMS_HEIGHT = 96;
// The letters move on a frame each time their parent shows one, two pixels
// up, so that the sleeping creature's five frames a second read as a slow drift.
// The letters float evenly spaced, so the picture comes round again after
// this many frames: that many are drawn once and shown in turn.
inline constexpr unsigned DREAMS_DISTINCT_FRAMES = 12;

// Above the creature's right shoulder, or beside its head at the top of the
// screen: the top left of the dreams' window, drawn at dpi, for a creature
// window at creature, always inside the work area of the creature's monitor.
POINT DreamsPlace(const RECT& creature, UINT dpi);

// Frame number frame (below DREAMS_DISTINCT_FRAMES) of the drifting letters.
void DrawDrift(LayeredCanvas& canvas, unsigned frame);
