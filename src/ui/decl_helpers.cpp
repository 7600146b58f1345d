#include "ui/decl_helpers.h"

#include <utility>

WindowDecl NormalFixedWindow(std::string id, Text title, int width, int height) {
    WindowDecl w;
    w.id = std::move(id);
    w.title = std::move(title);
    w.width = width;
    w.height = height;
    w.border = WindowBorder::NormalFixed;
    w.systemMenu = true;
    w.minimizeButton = false;
    w.maximizeButton = false;
    w.inTaskbar = true;
    w.position = WindowPosition::Centred;
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

ControlDecl NonVisual(ControlKind kind, const char* name) { return ControlDecl{.kind = kind, .name = T(name)}; }
