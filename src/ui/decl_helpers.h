#pragma once
// Builders for the declarations the windows repeat. Anything with more than a
// caption and a handler stays a literal ControlDecl in its window's table.

#include "services/window/decl.h"

#include <string>

// A window centred, in the taskbar, with the system menu and no minimise or
// maximise button; its border a normal fixed one unless given.
WindowDecl CentredWindow(std::string id, Text title, int width, int height,
                         WindowBorder border = WindowBorder::NormalFixed);

// A window with no border, caption or system menu, centred, not in the
// taskbar, that the user drags by any point.
WindowDecl BorderlessWindow(std::string id, int width, int height);

// A push button that runs `handler` when clicked.
ControlDecl PushButton(const char* name, RectDecl rect, const char* caption, const char* handler, bool enabled = true);

// A label in the default font and colours.
ControlDecl PlainLabel(const char* name, RectDecl rect, const char* caption);

// A balloon tip's stored look: RGB(255,255,225) fill, black 1-pixel border,
// corners 16 x 16, margins 12, a tail (12, 16, 16) on the bottom left, a soft
// shadow (60 %, 5 right, 3 down, 7 x 7), 10 % transparency; the behaviour
// switches, timing and fade steps (ms) as given.
BalloonTipSettings StoredBalloon(int behaviour, int initialDelay, int displayTime, int fadeStep);

// A non-visual object (record set, connection, dialog...) with no other property.
ControlDecl NonVisual(ControlKind kind, const char* name);
