#include "ui/record_window_decl.h"

#include "ui/decl_helpers.h"
#include "ui/main_window_decl.h"
#include "ui/pictures/pictures.h"

WindowDecl RecordWindowDecl() {
    WindowDecl w = CentredWindow("record", Text(), 354, 463, WindowBorder::ToolFixed);
    w.inTaskbar = false;
    w.events = {{Event::Created, RecordHandlers::Created}, {Event::Destroying, RecordHandlers::Destroying}};

    const Colour editText = Rgb(0, 136, 255);
    const Colour editBack = Rgb(202, 225, 243);
    const FontDecl editFont{T("宋体"), 14};
    const auto edit = [&](const char* name, RectDecl rect) {
        return ControlDecl{.kind = ControlKind::EditBox,
                           .name = T(name),
                           .rect = rect,
                           .font = editFont,
                           .textColour = editText,
                           .backColour = editBack,
                           .border = Border::ShallowSunken};
    };
    const auto label = [](const char* name, RectDecl rect, const char* caption) {
        return ControlDecl{.kind = ControlKind::TransLabel,
                           .name = T(name),
                           .rect = rect,
                           .text = T(caption),
                           .textColour = Rgb(0, 0, 0),
                           .hAlign = HAlign::Left,
                           .vAlign = VAlign::Centre};
    };

    const BalloonTipSettings balloon =
        StoredBalloon(BalloonBehaviour::ShowAgain | BalloonBehaviour::Switch4, 20, 5000, 10);

    ControlDecl birthday = edit(RecordControls::BirthdayBox, {40, 226, 96, 20});
    birthday.inputMode = InputMode::DateTime;
    birthday.events = {{Event::LeftButtonDown, RecordHandlers::BirthdayPressed}};

    ControlDecl remark = edit(RecordControls::RemarkBox, {4, 12, 324, 72});
    remark.parent = T(RecordControls::RemarkGroup);
    remark.border = Border::None;
    remark.multiLine = true;
    remark.maxLength = 200;

    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(RecordControls::Photo),
                    .rect = {5, 6, 170, 200},
                    .cursor = Cursor::Hand,
                    .border = Border::SingleLine,
                    .picture = PictureResource(Pictures::DefaultPhoto),
                    .pictureMode = PictureMode::Scaled,
                    .events = {{Event::LeftButtonDown, RecordHandlers::PhotoPressed}}},
        ControlDecl{.kind = ControlKind::Label,
                    .name = T(RecordControls::PhotoSizeLabel),
                    .rect = {32, 208, 104, 13},
                    .text = T("照片尺寸：200*170"),
                    .textColour = Rgb(192, 192, 192)},
        label(RecordControls::GroupLabel, {191, 10, 40, 17}, "分组："),
        ControlDecl{.kind = ControlKind::ComboBox,
                    .name = T(RecordControls::GroupBox),
                    .rect = {229, 8, 113, 20},
                    .textColour = editText,
                    .backColour = Rgb(255, 255, 255),
                    .events = {{Event::DropDown, RecordHandlers::GroupDropDown}}},
        label(RecordControls::NameLabel, {191, 37, 40, 17}, "姓名："),
        edit(RecordControls::NameBox, {229, 34, 113, 20}),
        label(RecordControls::MobileLabel, {191, 64, 40, 17}, "手机："),
        edit(RecordControls::MobileBox, {229, 61, 113, 22}),
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(RecordControls::CarrierIcon),
                    .rect = {323, 63, 18, 18},
                    .backColour = Rgb(202, 225, 245),
                    .pictureMode = PictureMode::Scaled},
        label(RecordControls::SecondMobileLabel, {179, 91, 50, 17}, "手机备："),
        edit(RecordControls::SecondMobileBox, {229, 88, 113, 20}),
        label(RecordControls::QqLabel, {191, 118, 40, 17}, "QQ号："),
        edit(RecordControls::QqBox, {229, 115, 96, 20}),
        PushButton(RecordControls::ChatButton, {324, 115, 18, 20}, "聊", RecordHandlers::Chat),
        label(RecordControls::SecondQqLabel, {191, 145, 40, 17}, "QQ备："),
        edit(RecordControls::SecondQqBox, {229, 142, 96, 20}),
        PushButton(RecordControls::SecondChatButton, {324, 142, 18, 20}, "聊", RecordHandlers::ChatSecond),
        label(RecordControls::PhoneLabel, {191, 172, 40, 17}, "座机："),
        edit(RecordControls::PhoneBox, {229, 169, 113, 20}),
        label(RecordControls::ExtensionLabel, {191, 199, 40, 17}, "分机："),
        edit(RecordControls::ExtensionBox, {229, 196, 113, 20}),
        // The four labels below are as wide as their three characters at 12
        // pixels (declared 26 and 33 wide, they cut the colon); 生日 starts 6
        // pixels further left to keep clear of its box.
        label(RecordControls::BirthdayLabel, {4, 229, 36, 17}, "生日："),
        birthday,
        label(RecordControls::EmailLabel, {148, 229, 36, 17}, "邮箱："),
        edit(RecordControls::EmailBox, {185, 226, 157, 20}),
        label(RecordControls::AddressLabel, {9, 264, 36, 17}, "地址："),
        edit(RecordControls::AddressBox, {46, 261, 296, 20}),
        label(RecordControls::HometownLabel, {9, 293, 36, 17}, "籍贯："),
        edit(RecordControls::HometownBox, {46, 292, 296, 20}),
        ControlDecl{.kind = ControlKind::GroupBox,
                    .name = T(RecordControls::RemarkGroup),
                    .rect = {9, 320, 333, 88},
                    .text = T("备注"),
                    .textColour = Rgb(0, 0, 0)},
        remark,
        label(RecordControls::PositionLabel, {12, 413, 276, 20}, "当前选中第"),
        PushButton(RecordControls::SaveButton, {296, 412, 42, 24}, "保存", RecordHandlers::Save),
        ControlDecl{
            .kind = ControlKind::CommonDlg,
            .name = T(RecordControls::PhotoDialog),
            .dialog =
                CommonDialog{.kind = CommonDialog::kOpenFile, .title = T("添加照片"), .filter = PhotoFileFilter()}},
        ControlDecl{.kind = ControlKind::Q_tip, .name = T(RecordControls::Balloon), .balloon = balloon},
        NonVisual(ControlKind::RecordSet, RecordControls::Carriers),
    };
    return w;
}
