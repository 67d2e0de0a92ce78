// The pillow creature: how it looks at each moment of its animation, and the
// drawing of one look.
#pragma once

#include "toys/Shared/LayeredCanvas.h"

inline constexpr int CREATURE_SIZE = 128;

// One look of the creature. breath runs from -BREATH_STEPS to BREATH_STEPS:
// the breath is drawn in steps that move its top edge by about a pixel, so
// that between two steps there is nothing new to show.
inline constexpr int BREATH_STEPS = 8;

struct CreatureLook {
    bool asleep;
    int breath;
    bool eyesShut;

    // A number of its own for every look, for a cache of frames.
    int Key() const { return (asleep ? 1000 : 0) + (breath + BREATH_STEPS) * 2 + (eyesShut ? 1 : 0); }
    bool operator==(const CreatureLook&) const = default;
};

// The look elapsedMs milliseconds into the state (awake or asleep): an asleep
// creature breathes slowly with its eyes shut, an awake one blinks now and then.
CreatureLook LookAt(unsigned elapsedMs, bool asleep);

// Milliseconds from elapsedMs until the look changes, at most maxMs.
unsigned UntilNextLook(unsigned elapsedMs, bool asleep, unsigned maxMs);

void DrawCreature(LayeredCanvas& canvas, CreatureLook look);
