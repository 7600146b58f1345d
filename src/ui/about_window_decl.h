#pragma once
// The about window: the program's name, credits and the publisher's links.

#include "services/window/decl.h"

namespace AboutHandlers {
inline constexpr const char* Confirm = "about_confirm";
}

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace AboutControls {
inline constexpr const char* Banner = "图片框1";
inline constexpr const char* Credits = "透明标签1";
inline constexpr const char* ChatLink = "超级链接框1";
inline constexpr const char* SiteLink = "超级链接框2";
inline constexpr const char* ConfirmButton = "按钮1";
}  // namespace AboutControls

// The publisher's QQ number that 超级链接框1 offers a chat with; the opener
// builds the link with the configured chat address.
Text AboutChatNumber();

WindowDecl AboutWindowDecl();
