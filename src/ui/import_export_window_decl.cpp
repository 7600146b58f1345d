#include "ui/import_export_window_decl.h"

#include "ui/decl_helpers.h"

WindowDecl ImportExportWindowDecl() {
    WindowDecl w = CentredWindow("import_export", T("导入\\导出"), 884, 510);
    w.controls = {
        ControlDecl{.kind = ControlKind::ListView,
                    .name = T(ImportExportControls::List),
                    .rect = {11, 8, 853, 416},
                    .textColour = Rgb(24, 75, 171),
                    .backColour = Rgb(255, 255, 255),
                    .list = ListViewDecl{.border = Border::Sunken,
                                         .noHeader = false,
                                         .fullRowSelect = true,
                                         .gridLines = true,
                                         .autoSort = ListViewDecl::kNoSort,
                                         .singleSelection = true,
                                         .textBackColour = Rgb(255, 255, 255)}},
        PushButton(ImportExportControls::ImportButton, {11, 432, 64, 32}, "导入", kImportWorkbookHandler),
        PushButton(ImportExportControls::WriteButton, {85, 432, 80, 32}, "写入通讯录", kWriteListHandler, false),
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(ImportExportControls::ProgressText),
                    .rect = {182, 432, 144, 24},
                    .text = T("正在    第     条记录"),
                    .textColour = Rgb(0, 0, 0),
                    .hAlign = HAlign::Right},
        ControlDecl{.kind = ControlKind::ProcessBar,
                    .name = T(ImportExportControls::Progress),
                    .rect = {326, 435, 370, 16},
                    .border = Border::ShallowSunken,
                    .minimum = 0,
                    .maximum = 100,
                    .position = 0},
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(ImportExportControls::Hint),
                    .rect = {183, 456, 512, 24},
                    .text = T("提示：写入通讯录时 已存在的号码将被跳过！"),
                    .textColour = Rgb(255, 0, 0),
                    .hAlign = HAlign::Centre},
        PushButton(ImportExportControls::ReadButton, {713, 432, 80, 32}, "读出通讯录", kReadBookHandler),
        PushButton(ImportExportControls::ExportButton, {801, 432, 64, 32}, "导出", kExportListHandler, false),
        NonVisual(ControlKind::CommonDlg, ImportExportControls::FileDialog),
        NonVisual(ControlKind::DBConnection, ImportExportControls::SheetConnection),
        NonVisual(ControlKind::RecordSet, ImportExportControls::Sheet),
        NonVisual(ControlKind::ExcelApp, ImportExportControls::Excel),
        NonVisual(ControlKind::ExcelWorkbooks, ImportExportControls::Workbooks),
    };
    return w;
}
