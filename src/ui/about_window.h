#pragma once
// The about window: the program's name, credits and the publisher's links.

#include "services/window/decl.h"

namespace AboutHandlers {
inline constexpr const char* Confirm = "about_confirm";
}

WindowDecl AboutWindowDecl();
