#include "ui/batch_window_decl.h"

#include "ui/decl_helpers.h"

namespace {

constexpr Colour kGrey = Rgb(128, 128, 128);

ControlDecl HeadingLabel(const char* name, RectDecl rect, const char* caption) {
    return ControlDecl{.kind = ControlKind::Label,
                       .name = T(name),
                       .rect = rect,
                       .text = T(caption),
                       .textColour = kGrey,
                       .border = Border::ShallowSunken};
}

ControlDecl StatusLabel(const char* name, RectDecl rect, HAlign align) {
    return ControlDecl{
        .kind = ControlKind::TransLabel, .name = T(name), .rect = rect, .textColour = kGrey, .hAlign = align};
}

}  // namespace

WindowDecl BatchWindowDecl() {
    WindowDecl w = CentredWindow("batch", T("批量获取手机归属地"), 434, 404);
    w.escCloses = true;
    w.events = {{Event::Created, BatchHandlers::Created}, {Event::Destroying, BatchHandlers::Destroying}};
    w.controls = {
        HeadingLabel(BatchControls::NameLabel, {16, 16, 96, 24}, "姓名"),
        HeadingLabel(BatchControls::NumberLabel, {136, 16, 96, 24}, "手机号"),
        HeadingLabel(BatchControls::AttributionLabel, {257, 16, 159, 24}, "归属地"),
        ControlDecl{.kind = ControlKind::ProcessBar,
                    .name = T(BatchControls::Progress),
                    .rect = {16, 51, 400, 16},
                    .border = Border::ShallowSunken,
                    .minimum = 0,
                    .maximum = 100,
                    .position = 0},
        StatusLabel(BatchControls::ProgressText, {17, 66, 175, 24}, HAlign::Left),
        StatusLabel(BatchControls::FailureCount, {256, 64, 159, 24}, HAlign::Right),
        PushButton(BatchControls::StartStop, {336, 90, 80, 28}, "开始获取", BatchHandlers::StartStop),
        // Declared with the window but never shown or used.
        ControlDecl{.kind = ControlKind::Button,
                    .name = T(BatchControls::DetailsButton),
                    .rect = {328, 130, 96, 28},
                    .visible = false,
                    .text = T("未获取详情")},
        ControlDecl{.kind = ControlKind::EditBox,
                    .name = T(BatchControls::FailureLog),
                    .rect = {0, 128, 428, 242},
                    .textColour = Rgb(0, 0, 0),
                    .backColour = Rgb(255, 255, 255),
                    .border = Border::ShallowSunken,
                    .multiLine = true,
                    .scrollBars = ScrollBars::Vertical},
        NonVisual(ControlKind::RecordSet, BatchControls::Contacts),
    };
    return w;
}
