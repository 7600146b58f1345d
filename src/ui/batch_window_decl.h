#pragma once
// The batch attribution window: fetches the region of every contact's mobile
// number on a worker thread, with a start/stop button, progress, and a log of
// the numbers that stayed unresolved (hidden until there are some).

#include "services/window/decl.h"

namespace BatchHandlers {
inline constexpr const char* Created = "batch_created";
inline constexpr const char* Destroying = "batch_destroying";
inline constexpr const char* StartStop = "batch_start_stop";
}  // namespace BatchHandlers

WindowDecl BatchWindowDecl();
