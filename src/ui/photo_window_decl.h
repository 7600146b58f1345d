#pragma once
// The photo window: shows a chosen picture at its natural size, under the
// capture frame, so the user can place the wanted part inside the frame.

#include "services/window/decl.h"

namespace PhotoHandlers {
inline constexpr const char* Created = "photo_created";
inline constexpr const char* Resized = "photo_resized";
inline constexpr const char* Destroying = "photo_destroying";
inline constexpr const char* TimerTick = "photo_timer_tick";
}  // namespace PhotoHandlers

WindowDecl PhotoWindowDecl();
