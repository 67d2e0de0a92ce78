// The dreams' window and pace, which the living-toy benchmark's floor copies.
#pragma once

inline constexpr int DREAMS_WIDTH = 72;
inline constexpr int DREAMS_HEIGHT = 96;
// One frame of drifting letters every so many milliseconds: each frame moves
// the letters up by two pixels, so that five a second read as a slow drift.
inline constexpr unsigned DREAMS_FRAME_MILLISECONDS = 200;
