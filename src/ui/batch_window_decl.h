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

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace BatchControls {
inline constexpr const char* NameLabel = "标签1";         // name of the contact being looked up
inline constexpr const char* NumberLabel = "标签2";       // its mobile number
inline constexpr const char* AttributionLabel = "标签3";  // the attribution just found
inline constexpr const char* Progress = "进度条1";
inline constexpr const char* ProgressText = "状态透明标签";
inline constexpr const char* FailureCount = "状态透明标签1";
inline constexpr const char* StartStop = "按钮_开始获取";
inline constexpr const char* DetailsButton = "按钮3";  // declared, never shown
inline constexpr const char* FailureLog = "编辑框1";
inline constexpr const char* Contacts = "记录集3";
}  // namespace BatchControls

WindowDecl BatchWindowDecl();
