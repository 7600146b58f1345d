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

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace PhotoControls {
inline constexpr const char* Picture = "图片框1";
inline constexpr const char* Timer = "时钟1";  // opens the capture frame once
inline constexpr const char* Balloon = "气球提示框1";
}  // namespace PhotoControls

WindowDecl PhotoWindowDecl();
