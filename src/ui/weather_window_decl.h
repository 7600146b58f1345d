#pragma once
// The weather window: a borderless, rounded pop-up beside the main window
// showing a weather page while the mouse rests on the main window's sun.

#include "services/window/decl.h"

namespace WeatherHandlers {
inline constexpr const char* Created = "weather_created";
}

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace WeatherControls {
inline constexpr const char* Page = "超文本浏览框1";
}  // namespace WeatherControls

// The weather page's fixed path and query, appended to the configured host.
Text WeatherPagePath();  // "/tb.q?cid=webq.wea"

// The page box starts empty; the program sets its address when the window is
// created, from the settings.
WindowDecl WeatherWindowDecl();
