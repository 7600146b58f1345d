#include "ui/photo_window_decl.h"

#include "ui/decl_helpers.h"

WindowDecl PhotoWindowDecl() {
    WindowDecl w = CentredWindow("photo", T("照片窗口"), 600, 500, WindowBorder::NormalResizable);
    w.dragAnywhere = true;
    w.events = {{Event::Created, PhotoHandlers::Created},
                {Event::Resized, PhotoHandlers::Resized},
                {Event::Destroying, PhotoHandlers::Destroying}};
    // Stored without a tail and without a shadow.
    BalloonTipSettings balloon = StoredBalloon(BalloonBehaviour::ShowAgain, 600, 3000, 0);
    balloon.tailWidth = balloon.tailHeight = balloon.tailMargin = 0;
    balloon.shadowSoft = false;
    balloon.shadowDarkening = balloon.shadowRight = balloon.shadowDown = 0;
    balloon.softWidth = balloon.softHeight = 0;
    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(PhotoControls::Picture),
                    .rect = {-1, -1, 594, 473},
                    .border = Border::Sunken,
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::Timer,
                    .name = T(PhotoControls::Timer),
                    .parent = T(PhotoControls::Picture),
                    .interval = 1000,
                    .events = {{Event::TimerTick, PhotoHandlers::TimerTick}}},
        ControlDecl{.kind = ControlKind::Q_tip,
                    .name = T(PhotoControls::Balloon),
                    .parent = T(PhotoControls::Picture),
                    .balloon = balloon},
    };
    return w;
}
