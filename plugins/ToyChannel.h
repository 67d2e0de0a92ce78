// The channel between a plugin that shows a toy window and its child plugins,
// carried by SpareHook3, whose base version answers 0 ("not understood"):
//
//   child -> parent: parent->SpareHook3(TOY_ASK_WINDOW, 0, 0, 0) answers the
//       parent's window handle, parent->SpareHook3(TOY_ASK_STATE, 0, 0, 0)
//       its state (TOY_STATE_AWAKE or TOY_STATE_ASLEEP),
//       parent->SpareHook3(TOY_ASK_DPI, 0, 0, 0) the dpi it draws at, so that
//       a child beside it draws at the same scale; 0 from a parent that does
//       not speak the channel.
//   parent -> child: child->SpareHook3(TOY_TELL_STATE, state, 0, 0) each time
//       the parent's state changes; the child answers 1 when it listened.
//       child->SpareHook3(TOY_TELL_FRAME, 0, 0, 0) each time the parent shows
//       a frame of its animation, and once when its window is hidden or shown
//       again: a child that animates beside the parent shows its own next
//       frame then (or hides with a parent that cannot be seen), so that one
//       timer paces all the toy's windows.
//
// Window handles fit in 32 bits on every Windows system, which lets them
// travel as a hook argument (sign-extended back, as LongToHandle does).
#pragma once

#include <cstdint>

#include "plugins/ToyPlugin.h"

inline constexpr std::int32_t TOY_ASK_WINDOW = 0x5701;
inline constexpr std::int32_t TOY_ASK_STATE = 0x5702;
inline constexpr std::int32_t TOY_TELL_STATE = 0x5703;
inline constexpr std::int32_t TOY_TELL_FRAME = 0x5704;
inline constexpr std::int32_t TOY_ASK_DPI = 0x5705;

inline constexpr std::int32_t TOY_STATE_AWAKE = 1;
inline constexpr std::int32_t TOY_STATE_ASLEEP = 2;

inline std::int32_t WindowToChannel(HWND window)
{
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}

inline HWND WindowFromChannel(std::int32_t value)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
}

// The parent's toy window, or null when there is no parent or it has none.
inline HWND AskParentWindow(CToyPlugin& child)
{
    if (child.parent == nullptr) {
        return nullptr;
    }
    return WindowFromChannel(child.parent->SpareHook3(TOY_ASK_WINDOW, 0, 0, 0));
}

// The parent's state, or 0 when there is no parent or it does not say.
inline std::int32_t AskParentState(CToyPlugin& child)
{
    return child.parent == nullptr ? 0 : child.parent->SpareHook3(TOY_ASK_STATE, 0, 0, 0);
}

// The dpi the parent draws at, or 0 when there is no parent or it does not say.
inline std::int32_t AskParentDpi(CToyPlugin& child)
{
    return child.parent == nullptr ? 0 : child.parent->SpareHook3(TOY_ASK_DPI, 0, 0, 0);
}

// Tells every child of parent its new state.
inline void TellChildrenState(CToyPlugin& parent, std::int32_t state)
{
    for (CToyPlugin* child : parent.children) {
        child->SpareHook3(TOY_TELL_STATE, state, 0, 0);
    }
}

// Tells every child of parent that a frame was shown, or its window hidden or shown.
inline void TellChildrenFrame(CToyPlugin& parent)
{
    for (CToyPlugin* child : parent.children) {
        child->SpareHook3(TOY_TELL_FRAME, 0, 0, 0);
    }
}
