#include "services/window/decl.h"

const char* EventName(Event event) {
    switch (event) {
    case Event::Created: return "Created";
    case Event::Destroying: return "Destroying";
    case Event::Moved: return "Moved";
    case Event::Resized: return "Resized";
    case Event::Clicked: return "Clicked";
    case Event::ContentChanged: return "ContentChanged";
    case Event::EnterPressed: return "EnterPressed";
    case Event::ItemSelected: return "ItemSelected";
    case Event::DropDown: return "DropDown";
    case Event::CurrentItemChanged: return "CurrentItemChanged";
    case Event::ItemActivated: return "ItemActivated";
    case Event::TimerTick: return "TimerTick";
    case Event::LeftButtonDown: return "LeftButtonDown";
    case Event::DoubleClicked: return "DoubleClicked";
    case Event::GotFocus: return "GotFocus";
    case Event::LostFocus: return "LostFocus";
    }
    return "?";
}

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::EditBox: return "EditBox";
    case ControlKind::PicBox: return "PicBox";
    case ControlKind::DrawPanel: return "DrawPanel";
    case ControlKind::GroupBox: return "GroupBox";
    case ControlKind::Label: return "Label";
    case ControlKind::Button: return "Button";
    case ControlKind::RadioBox: return "RadioBox";
    case ControlKind::ComboBox: return "ComboBox";
    case ControlKind::ProcessBar: return "ProcessBar";
    case ControlKind::HyperLinker: return "HyperLinker";
    case ControlKind::PicBtn: return "PicBtn";
    case ControlKind::ListView: return "ListView";
    case ControlKind::TransLabel: return "TransLabel";
    case ControlKind::HtmlViewer: return "HtmlViewer";
    case ControlKind::Q_tip: return "Q_tip";
    case ControlKind::Timer: return "Timer";
    case ControlKind::CommonDlg: return "CommonDlg";
    case ControlKind::DBConnection: return "DBConnection";
    case ControlKind::RecordSet: return "RecordSet";
    case ControlKind::ExcelApp: return "ExcelApp";
    case ControlKind::ExcelWorkbooks: return "ExcelWorkbooks";
    }
    return "?";
}

bool IsNonVisual(ControlKind kind) {
    switch (kind) {
    case ControlKind::Q_tip:
    case ControlKind::Timer:
    case ControlKind::CommonDlg:
    case ControlKind::DBConnection:
    case ControlKind::RecordSet:
    case ControlKind::ExcelApp:
    case ControlKind::ExcelWorkbooks: return true;
    default: return false;
    }
}

bool IsContainer(ControlKind kind) {
    return kind == ControlKind::PicBox || kind == ControlKind::DrawPanel || kind == ControlKind::GroupBox;
}
