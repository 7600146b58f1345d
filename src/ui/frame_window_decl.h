#pragma once
// The capture frame: a small translucent window, always on top, that the user
// drags over the photo; a double-click captures the screen under it.

#include "services/window/decl.h"

namespace FrameHandlers {
inline constexpr const char* Created = "frame_created";
inline constexpr const char* Destroying = "frame_destroying";
inline constexpr const char* DoubleClicked = "frame_double_clicked";
}  // namespace FrameHandlers

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace FrameControls {
inline constexpr const char* Panel = "画板1";
inline constexpr const char* Label = "标签_截图框";
}  // namespace FrameControls

// The frame's size, which is the size of every capture.
inline constexpr int kFrameWidth = 170;
inline constexpr int kFrameHeight = 200;

WindowDecl FrameWindowDecl();
