#include "ui/text_import_window_decl.h"

#include "ui/decl_helpers.h"

namespace {

// The six column boxes: multi-line, sunken, black on white, no length limit.
ControlDecl ColumnBox(const char* name, RectDecl rect) {
    return ControlDecl{.kind = ControlKind::EditBox,
                       .name = T(name),
                       .rect = rect,
                       .textColour = Rgb(0, 0, 0),
                       .backColour = Rgb(255, 255, 255),
                       .border = Border::Sunken,
                       .multiLine = true,
                       .scrollBars = ScrollBars::Vertical};
}

}  // namespace

WindowDecl TextImportWindowDecl() {
    const BalloonTipSettings balloon = StoredBalloon(
        BalloonBehaviour::ShowAgain | BalloonBehaviour::Switch2 | BalloonBehaviour::Switch8, 500, 10000, 0);

    WindowDecl w = CentredWindow("text_import", T("导入数据"), 1006, 594);
    w.events = {{Event::Destroying, kTextImportClosingHandler}};
    w.controls = {
        PlainLabel(TextImportControls::SourceLabel, {112, 8, 77, 24}, "待分割的文本"),
        PlainLabel(TextImportControls::NameLabel, {413, 8, 49, 24}, "姓名"),
        PlainLabel(TextImportControls::MobileLabel, {513, 8, 57, 24}, "电话号码"),
        PlainLabel(TextImportControls::QqLabel, {652, 8, 43, 24}, "QQ号码"),
        PlainLabel(TextImportControls::EmailLabel, {784, 8, 56, 24}, "邮箱地址"),
        PushButton(TextImportControls::InitialsButton, {894, 1, 80, 32}, "姓名首字母", kPreviewInitialsHandler),
        ColumnBox(TextImportControls::SourceBox, {0, 33, 304, 480}),
        ColumnBox(TextImportControls::NameBox, {390, 33, 96, 480}),
        ColumnBox(TextImportControls::MobileBox, {486, 33, 128, 480}),
        ColumnBox(TextImportControls::QqBox, {614, 33, 120, 480}),
        ColumnBox(TextImportControls::EmailBox, {734, 33, 160, 480}),
        ColumnBox(TextImportControls::InitialsBox, {894, 33, 80, 480}),
        PlainLabel(TextImportControls::SeparatorLabel, {308, 448, 48, 20}, "分隔符："),
        ControlDecl{.kind = ControlKind::EditBox,
                    .name = T(TextImportControls::SeparatorBox),
                    .rect = {359, 448, 25, 20},
                    .text = T(","),
                    .textColour = Rgb(0, 0, 0),
                    .backColour = Rgb(255, 255, 255),
                    .border = Border::Sunken,
                    .events = {{Event::GotFocus, kShowSeparatorHintHandler}}},
        PushButton(TextImportControls::SplitButton, {306, 472, 80, 32}, "分割文本", kSplitTextHandler, false),
        PushButton(TextImportControls::OpenButton, {16, 520, 80, 32}, "打开文本文件", kOpenTextFileHandler),
        PlainLabel(TextImportControls::StatusLabel, {296, 528, 216, 24}, "状态："),
        PushButton(TextImportControls::WriteButton, {896, 520, 80, 32}, "写入数据库", kWriteRowsToBookHandler, false),
        ControlDecl{.kind = ControlKind::CommonDlg,
                    .name = T(TextImportControls::FileDialog),
                    .dialog = CommonDialog{.kind = CommonDialog::kOpenFile,
                                           .title = T("打开待分割的文本文件"),
                                           .filter = T("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*"),
                                           .defaultExtension = T("txt")}},
        ControlDecl{.kind = ControlKind::Q_tip, .name = T(TextImportControls::Balloon), .balloon = balloon},
    };
    return w;
}
