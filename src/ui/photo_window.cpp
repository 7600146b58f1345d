#include "ui/photo_window.h"

WindowDecl PhotoWindowDecl() {
    WindowDecl w;
    w.id = "photo";
    w.title = T("照片窗口");
    w.width = 600;
    w.height = 500;
    w.border = WindowBorder::NormalResizable;
    w.systemMenu = true;
    w.minimizeButton = false;
    w.maximizeButton = false;
    w.inTaskbar = true;
    w.dragAnywhere = true;
    w.position = WindowPosition::Centred;
    w.events = {{Event::Created, PhotoHandlers::Created},
                {Event::Resized, PhotoHandlers::Resized},
                {Event::Destroying, PhotoHandlers::Destroying}};
    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox, .name = T("图片框1"), .rect = {-1, -1, 594, 473},
                    .border = Border::Sunken, .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::Timer, .name = T("时钟1"), .parent = T("图片框1"), .interval = 1000,
                    .events = {{Event::TimerTick, PhotoHandlers::TimerTick}}},
        ControlDecl{.kind = ControlKind::Q_tip, .name = T("气球提示框1"), .parent = T("图片框1")},
    };
    return w;
}
