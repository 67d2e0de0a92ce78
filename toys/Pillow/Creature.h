// The pillow creature, drawn afresh for each frame of its animation.
#pragma once

#include "toys/Shared/LayeredCanvas.h"

inline constexpr int CREATURE_SIZE = 128;

// frame counts the animation's steps since the start; an asleep creature
// breathes slowly with its eyes shut, an awake one blinks now and then.
void DrawCreature(LayeredCanvas& canvas, unsigned frame, bool asleep);
