#include "ui/frame_window_decl.h"

#include "ui/decl_helpers.h"

WindowDecl FrameWindowDecl() {
    WindowDecl w = BorderlessWindow("frame", kFrameWidth, kFrameHeight);
    w.alwaysOnTop = true;
    w.events = {{Event::Created, FrameHandlers::Created}, {Event::Destroying, FrameHandlers::Destroying}};
    w.controls = {
        ControlDecl{.kind = ControlKind::DrawPanel,
                    .name = T(FrameControls::Panel),
                    .rect = {0, 0, kFrameWidth, kFrameHeight},
                    .backColour = Rgb(0, 0, 0)},
        // Black text on the face colour, so the frame reads as a light pane
        // edged in black; the word sits near the bottom.
        ControlDecl{.kind = ControlKind::Label,
                    .name = T(FrameControls::Label),
                    .parent = T(FrameControls::Panel),
                    .rect = {2, 2, kFrameWidth - 4, kFrameHeight - 4},
                    .text = Text::fromBytes("\n\n\n\n\n\n\n\n") + T("相框") + Text::fromBytes("\n"),
                    .textColour = Rgb(0, 0, 0),
                    .backColour = Rgb(240, 240, 240),
                    .hAlign = HAlign::Centre,
                    .wordWrap = true,
                    .events = {{Event::DoubleClicked, FrameHandlers::DoubleClicked}}},
    };
    return w;
}
