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

// Milliseconds between two frames: the look is taken anew that often and
// sent when it changed. Short enough that the breath moves an edge by at most
// two pixels from one frame to the next, long enough that the toy wakes
// rarely: ten frames a second awake, five asleep.
inline constexpr unsigned CREATURE_FRAME_MS_AWAKE = 100;
inline constexpr unsigned CREATURE_FRAME_MS_ASLEEP = 200;

inline unsigned CreatureFrameMilliseconds(bool asleep)
{
    return asleep ? CREATURE_FRAME_MS_ASLEEP : CREATURE_FRAME_MS_AWAKE;
}

void DrawCreature(LayeredCanvas& canvas, CreatureLook look);
