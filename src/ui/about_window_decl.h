#pragma once
// The about window: the program's name, credits and the publisher's links.

#include "services/window/decl.h"

namespace AboutHandlers {
inline constexpr const char* Confirm = "about_confirm";
}

// The publisher's QQ number that 超级链接框1 offers a chat with; the opener
// builds the link with the configured chat address.
Text AboutChatNumber();

WindowDecl AboutWindowDecl();
