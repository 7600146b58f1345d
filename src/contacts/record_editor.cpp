#include "contacts/record_editor.h"

#include "attribution/lookup.h"
#include "attribution/record_display.h"
#include "contacts/chat.h"
#include "contacts/contact_list.h"
#include "contacts/initials.h"
#include "contacts/picture_capture.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/report_list.h"
#include "ui/docking.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QByteArray>
#include <QVariant>
#include <QWidget>

#include <array>
#include <string_view>

namespace {

constexpr int kInformation = 64;
constexpr int kOkCancelWarning = 49;
constexpr int kOk = 0;

struct FieldBox {
    const char* field;
    const char* control;
};

// The text columns as the record window shows and saves them, in the order of
// the save's writes (首字母, computed, follows 姓名). 分组 is the group box.
constexpr std::array<FieldBox, 13> kTextFields{{
    {"姓名", "编辑框_姓名"},
    {"手机", "编辑框_手机"},
    {"手机备", "编辑框_手机备"},
    {"QQ", "编辑框_QQ"},
    {"QQ备", "编辑框_QQ备"},
    {"邮箱", "编辑框_邮箱"},
    {"分组", "组合框_分组"},
    {"座机", "编辑框_座机"},
    {"分机", "编辑框_分机"},
    {"地址", "编辑框_地址"},
    {"籍贯", "编辑框_籍贯"},
    {"生日", "编辑框_生日"},
    {"备注", "编辑框_备注"},
}};

Window* RecordWindow() { return FindWindow("record"); }

RecordSet* MainRecords() {
    Window* main = MainWindow();
    return main ? main->recordSet(T("记录集1")) : nullptr;
}

Text PositionText(int position) { return T("当前选中第 ") + TextOf(position + 1) + T(" 条记录"); }

// The list kind that shows the same contacts again after a change: the search
// when the box holds a typed text (even an empty one), else all contacts.
int RefillKind(const ProgramState& state) {
    return MainControl("编辑框_搜索").text() == state.searchPlaceholder ? kAllContacts : kSearchContacts;
}

// Shows `group` in the drop-down group box. Its items are only filled when
// its list drops down, so a group that is not among them is added: what the
// box shows is what the next save writes back.
void ShowGroup(Control target, const Text& group) {
    if (group.empty()) {
        target.setSelection(-1);
        return;
    }
    for (int i = 0; i < ComboCount(target); ++i) {
        if (ComboItemText(target, i) == group) {
            target.setSelection(i);
            return;
        }
    }
    const int added = ComboAddItem(target, group);
    if (added >= 0) target.setSelection(added);
}

// The key (field 0) of the contact the record window shows, kept on the
// window: a list rebuild moves 记录集1 to its first record, and a save must
// still change the contact the user sees, not whichever record is first.
constexpr const char* kShownKeyProperty = "varelo_shown_contact";

Text ShownKey(Window& record) {
    QWidget* w = record.widget();
    return w ? Text::fromBytes(w->property(kShownKeyProperty).toByteArray().toStdString()) : Text();
}

void SetShownKey(Window& record, const Text& key) {
    if (QWidget* w = record.widget()) w->setProperty(kShownKeyProperty, QByteArray::fromStdString(key.bytes()));
}

void EmptyFields(Window& record) {
    for (const auto& f : kTextFields) {
        Control box = record.control(T(f.control));
        if (box.kind() == ControlKind::ComboBox) box.setSelection(-1);
        else box.setText(Text());
    }
    record.control(T("照片框")).setPicture(Bytes());
    SetShownKey(record, Text());
}

// The first line of the connection's error report: why the file refused.
Text StorageError() {
    DBConnection* connection = MainAddressBook();
    if (!connection) return Text();
    std::string report = connection->ErrorText().bytes();
    const std::string label = "Description: ";
    if (report.rfind(label, 0) == 0) report.erase(0, label.size());
    if (const auto end = report.find("\r\n"); end != std::string::npos) report.erase(end);
    return Text::fromBytes(report);
}

void ReportFailure(const Text& what, const Text& reason) {
    Text text = what;
    if (!reason.empty()) text += Text::fromBytes("\r\n") + reason;
    ShowMessage(text, kInformation, T("提示！"));
}

}  // namespace

Text contact_initials(const Text& name) { return NameInitials(name, 3); }

void load_record_window(ProgramState& state) {
    if (Window* open = RecordWindow(); open && !open->closing()) return;
    LoadWindow(RecordWindowDecl(), record_window_handlers(state), false, MainWindow() ? "main" : "");
}

void open_record_window(ProgramState& state) {
    Window* record = RecordWindow();
    if (!record) return;
    DBConnection* connection = MainAddressBook();
    if (RecordSet* carriers = record->recordSet(T("记录集2")); carriers && connection)
        carriers->SetConnection(*connection);
    state.recordWindowOpen = true;
    state.defaultPhoto = record->control(T("照片框")).picture();
    dock_beside_main(*record);
    show_contact(state);
    if (BalloonTip* balloon = record->balloon(T("气球提示框1")))
        balloon->AddControlTip(record->control(T("照片框")).widget(), T("单击添加照片"), -1);
}

void show_contact(ProgramState& state) {
    Window* record = RecordWindow();
    RecordSet* records = MainRecords();
    if (!record || !records) return;
    Control label = record->control(T("透明标签_当前选择"));
    if (!records->MoveTo(state.selectedRow)) {
        // No such row (an empty list): nothing to show rather than a made-up position.
        EmptyFields(*record);
        record->control(T("照片框")).setPicture(state.defaultPhoto);
        record->control(T("图片框1")).setPicture(Bytes());
        label.setText(T("当前选中第"));
        return;
    }
    SetShownKey(*record, records->ReadText(0));
    label.setText(PositionText(records->Position()));
    for (const auto& f : kTextFields) {
        Text value = records->ReadText(T(f.field));
        Control box = record->control(T(f.control));
        if (box.kind() == ControlKind::ComboBox) ShowGroup(box, value);
        else box.setText(f.field == std::string_view("生日") ? LeftText(value, 10) : value);
    }
    Bytes photo;
    records->ReadBytes(T("照片"), photo);
    record->control(T("照片框")).setPicture(ToText(photo).empty() ? state.defaultPhoto : photo);
    show_carrier_logo(*record, records->ReadText(T("手机")));
    // A late answer of the lookup service counts only while this contact is still the one shown.
    show_attribution(*record, *records, attribution_service_address(state.settingsPath),
                     [shownKey = records->ReadText(0)] {
                         Window* shown = RecordWindow();
                         return shown && !shownKey.empty() && ShownKey(*shown) == shownKey;
                     });
}

void new_contact(ProgramState& state) {
    if (!state.recordWindowOpen || !RecordWindow()) load_record_window(state);
    Window* record = RecordWindow();
    if (!record) return;
    EmptyFields(*record);
    state.newRecordPending = true;
    MainControl("图形按钮_删除").setEnabled(false);
    MainControl("图形按钮_保存").setEnabled(true);
}

void save_contact(ProgramState& state) {
    Window* record = RecordWindow();
    RecordSet* records = MainRecords();
    DBConnection* book = MainAddressBook();
    // Without the record window there are no fields to save.
    if (!record || !records || !book) return;
    // The save's messages let events run; whatever closes meanwhile, the
    // record window (and the main window that owns it) stay until it returns.
    WindowHold hold(record);
    const auto field = [&](const char* control) { return record->control(T(control)).text(); };

    if (field("编辑框_姓名").empty()) {
        ShowMessage(T("    姓名不能为空 ！    "), kInformation, T("提示！"));
        return;
    }
    if (field("编辑框_手机").empty()) {
        ShowMessage(T("    手机不能为空 ！    "), kInformation, T("提示！"));
        return;
    }

    // The shown contact is found by its key, not in the list: a search or a
    // group that leaves it out (before or because of this change) does not
    // take it from the window. A record set of its own drops a stopped save's
    // writes when it goes.
    Text key;
    if (!state.newRecordPending) {
        key = ShownKey(*record);
        if (key.empty()) {
            ReportFailure(T("保存失败！"), T("没有选中的联系人：请先选择一个联系人，或点“新建”。"));
            return;
        }
    }
    RecordSet contact;
    contact.SetConnection(*book);
    if (!contact.Open(ContactByKeySql(key), 1)) {
        ReportFailure(T("保存失败！"), StorageError());
        return;
    }
    if (state.newRecordPending) {
        if (!contact.AddNew()) {
            ReportFailure(T("保存失败！"), T("通讯录不能添加新记录。"));
            return;
        }
    } else if (contact.RecordCount() < 1 || !contact.MoveTo(0)) {
        ReportFailure(T("保存失败！"), T("这个联系人已从通讯录中删除。"));
        return;
    }
    // What the list needs to know of the change: where the contact stood, and whether it still belongs.
    std::optional<ListedContact> before;
    if (!state.newRecordPending) before = ReadListedContact(contact);

    const Text name = field("编辑框_姓名");
    for (const auto& f : kTextFields) {
        const Text value = field(f.control);
        const bool written = contact.WriteText(T(f.field), value);
        if (f.field == std::string_view("姓名")) contact.WriteText(T("首字母"), contact_initials(name));
        if (!written && f.field == std::string_view("生日") && !value.empty()) {
            ShowMessage(T("生日不是有效的日期，没有保存！\r\n格式：1980-01-06"), kInformation, T("提示！"));
            return;
        }
    }
    const Bytes photo = record->control(T("照片框")).picture();
    if (photo != state.defaultPhoto) contact.WriteBytes(T("照片"), photo);

    if (!contact.Update()) {
        ReportFailure(T("保存失败！"), StorageError());
        return;
    }
    const Text saved = contact.ReadText(0);
    const ListedContact after = ReadListedContact(contact);
    contact.Close();
    // The window shows the stored contact from now on, a new one included.
    SetShownKey(*record, saved);
    state.newRecordPending = false;
    ShowMessage(T("保存成功！"), kInformation, T("提示"));
    // Where the list has the contact now; it stays shown when the list leaves it out.
    const int row = show_saved_contact(state, RefillKind(state), saved, before, after);
    Control label = record->control(T("透明标签_当前选择"));
    if (row >= 0) {
        state.selectedRow = row;
        label.setText(PositionText(row));
    } else {
        label.setText(T("当前选中第"));
    }
}

void delete_contact(ProgramState& state) {
    if (ShowMessage(T("真的要删除本记录吗！"), kOkCancelWarning, T("警告！")) != kOk) return;
    RecordSet* records = MainRecords();
    if (!records) return;
    const int row = MainControl("超级列表框1").selection();
    if (!records->MoveTo(row)) {
        ReportFailure(T("删除失败！"), row < 0 ? T("没有选中的联系人。") : StorageError());
        return;
    }
    const Text group = records->ReadText(T("分组"));
    if (!records->Delete(1)) {
        ReportFailure(T("删除失败！"), StorageError());
        return;
    }
    records->Update();
    show_deleted_contact(state, RefillKind(state), group);
    MainControl("图形按钮_删除").setEnabled(false);
    if (Window* record = RecordWindow(); record && state.recordWindowOpen) EmptyFields(*record);
}

void delete_all_contacts(ProgramState&) {
    if (ShowMessage(T("真的要删除全部记录吗！"), kOkCancelWarning, T("警告！")) != kOk) return;
    Window* main = MainWindow();
    DBConnection* connection = MainAddressBook();
    RecordSet* records = MainRecords();
    if (!connection || !records) return;
    // The rows go through a record set of its own, so that a refusal leaves the
    // list and the record set behind it as they were.
    RecordSet table;
    table.SetConnection(*connection);
    if (!table.Open(ContactsTable(), 2) || !table.Delete(3)) {
        ReportFailure(T("删除失败！"), StorageError());
        return;
    }
    ShowMessage(T("已删除全部记录！"), kInformation, T("提示！"));
    records->Open(Text(), 1);  // the rows it held are gone
    if (ReportList* list = main->list(T("超级列表框1"))) list->DeleteAllItems();
}

HandlerTable record_window_handlers(ProgramState& state) {
    ProgramState* s = &state;
    HandlerTable table;
    table[RecordHandlers::Created] = [s](const EventArgs&) { open_record_window(*s); };
    table[RecordHandlers::Destroying] = [s](const EventArgs&) {
        s->recordWindowOpen = false;
        s->newRecordPending = false;
        MainControl("图形按钮_保存").setEnabled(false);
    };
    table[RecordHandlers::Save] = [s](const EventArgs&) { save_contact(*s); };
    table[RecordHandlers::Chat] = [s](const EventArgs& e) { open_chat(*s, e.window.control(T("编辑框_QQ"))); };
    table[RecordHandlers::ChatSecond] = [s](const EventArgs& e) {
        open_chat(*s, e.window.control(T("编辑框_QQ备")));
    };
    table[RecordHandlers::PhotoPressed] = [s](const EventArgs& e) {
        choose_picture(*s, kContactPhotoTarget, e.window.control(T("通用对话框1")));
    };
    table[RecordHandlers::BirthdayPressed] = [](const EventArgs& e) {
        if (BalloonTip* balloon = e.window.balloon(T("气球提示框1")))
            balloon->ShowTipAt(e.screenPosition.x(), e.screenPosition.y(), T("格式：1980-01-06"), -1);
    };
    table[RecordHandlers::GroupDropDown] = [](const EventArgs& e) {
        // The groups of the main window's group box; the shown group stays.
        Control box = e.window.control(T("组合框_分组"));
        const Text shown = box.text();
        ComboClear(box);
        Control groups = MainControl("组合框_查询");
        for (int j = 0; j < ComboCount(groups); ++j) ComboAddItem(box, ComboItemText(groups, j));
        ShowGroup(box, shown);
    };
    return table;
}
