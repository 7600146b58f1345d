#include "ui/decl_helpers.h"

#include <utility>

WindowDecl CentredWindow(std::string id, Text title, int width, int height, WindowBorder border) {
    WindowDecl w;
    w.id = std::move(id);
    w.title = std::move(title);
    w.width = width;
    w.height = height;
    w.border = border;
    w.systemMenu = true;
    w.minimizeButton = false;
    w.maximizeButton = false;
    w.inTaskbar = true;
    w.position = WindowPosition::Centred;
    return w;
}

WindowDecl BorderlessWindow(std::string id, int width, int height) {
    WindowDecl w = CentredWindow(std::move(id), Text(), width, height, WindowBorder::None);
    w.systemMenu = false;
    w.inTaskbar = false;
    w.dragAnywhere = true;
    return w;
}

ControlDecl PushButton(const char* name, RectDecl rect, const char* caption, const char* handler, bool enabled) {
    return ControlDecl{.kind = ControlKind::Button,
                       .name = T(name),
                       .rect = rect,
                       .enabled = enabled,
                       .text = T(caption),
                       .events = {{Event::Clicked, handler}}};
}

ControlDecl PlainLabel(const char* name, RectDecl rect, const char* caption) {
    return ControlDecl{.kind = ControlKind::Label, .name = T(name), .rect = rect, .text = T(caption)};
}

BalloonTipSettings StoredBalloon(int behaviour, int initialDelay, int displayTime, int fadeStep) {
    BalloonTipSettings s;
    const QColor paleYellow(255, 255, 225);
    s.background[0] = paleYellow;
    s.background[1] = paleYellow;
    s.background[2] = QColor(255, 192, 192);
    s.background[3] = QColor(192, 192, 255);
    s.backgroundEffect = 0;
    s.granularity = 5;
    s.tailPosition = 9;
    s.transparency = 10;
    s.behaviour = behaviour;
    s.cornerWidth = s.cornerHeight = 16;
    s.marginH = s.marginV = 12;
    s.tailWidth = 12;
    s.tailHeight = 16;
    s.tailMargin = 16;
    s.tailOffsetH = s.tailOffsetV = 0;
    s.initialDelay = initialDelay;
    s.displayTime = displayTime;
    s.fadeInStep = s.fadeOutStep = fadeStep;
    s.borderColour = QColor(0, 0, 0);
    s.borderWidth = s.borderHeight = 1;
    s.shadowSoft = true;
    s.shadowDarkening = 60;
    s.shadowRight = 5;
    s.shadowDown = 3;
    s.softWidth = s.softHeight = 7;
    return s;
}

ControlDecl NonVisual(ControlKind kind, const char* name) { return ControlDecl{.kind = kind, .name = T(name)}; }
