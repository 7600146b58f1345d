#include "contacts/record_editor.h"

#include "attribution/lookup.h"
#include "attribution/record_display.h"
#include "contacts/chat.h"
#include "contacts/contact_list.h"
#include "contacts/initials.h"
#include "contacts/picture_capture.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
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

// The question before a delete: OK and Cancel, with the warning icon.
constexpr int kAskBeforeDeleting = MessageStyle::kOkCancel | MessageStyle::kWarning;

struct FieldBox {
    const char* field;
    const char* control;
};

// The text columns as the record window shows and saves them, in the order of
// the save's writes (首字母, computed, follows 姓名). 分组 is the group box.
constexpr std::array<FieldBox, 13> kTextFields{{
    {"姓名", RecordControls::NameBox},
    {"手机", RecordControls::MobileBox},
    {"手机备", RecordControls::SecondMobileBox},
    {"QQ", RecordControls::QqBox},
    {"QQ备", RecordControls::SecondQqBox},
    {"邮箱", RecordControls::EmailBox},
    {"分组", RecordControls::GroupBox},
    {"座机", RecordControls::PhoneBox},
    {"分机", RecordControls::ExtensionBox},
    {"地址", RecordControls::AddressBox},
    {"籍贯", RecordControls::HometownBox},
    {"生日", RecordControls::BirthdayBox},
    {"备注", RecordControls::RemarkBox},
}};

Window* RecordWindow() { return FindWindow("record"); }

RecordSet* MainRecords() {
    Window* main = MainWindow();
    return main ? main->recordSet(T(MainControls::Contacts)) : nullptr;
}

Text PositionText(int position) { return T("当前选中第 ") + TextOf(position + 1) + T(" 条记录"); }

// The list kind that shows the same contacts again after a change: the search
// when the box holds a typed text (even an empty one), else all contacts.
int RefillKind(const ProgramState& state) {
    return MainControl(MainControls::SearchBox).text() == state.searchPlaceholder ? kAllContacts : kSearchContacts;
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
    record.control(T(RecordControls::Photo)).setPicture(Bytes());
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
    ShowMessage(text, MessageStyle::kInformation, T("提示！"));
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
    if (RecordSet* carriers = record->recordSet(T(RecordControls::Carriers)); carriers && connection)
        carriers->SetConnection(*connection);
    state.recordWindowOpen = true;
    state.defaultPhoto = record->control(T(RecordControls::Photo)).picture();
    dock_beside_main(*record);
    show_contact(state);
    if (BalloonTip* balloon = record->balloon(T(RecordControls::Balloon)))
        balloon->AddControlTip(record->control(T(RecordControls::Photo)).widget(), T("单击添加照片"), -1);
}

void show_contact(ProgramState& state) {
    Window* record = RecordWindow();
    RecordSet* records = MainRecords();
    if (!record || !records) return;
    Control label = record->control(T(RecordControls::PositionLabel));
    const auto showNothing = [&] {
        EmptyFields(*record);
        record->control(T(RecordControls::Photo)).setPicture(state.defaultPhoto);
        record->control(T(RecordControls::CarrierIcon)).setPicture(Bytes());
        label.setText(T("当前选中第"));
    };
    // No such row (an empty list): nothing to show rather than a made-up position.
    if (!records->MoveTo(state.selectedRow)) return showNothing();
    // The row is read from the file now: another program may hold the book
    // or have deleted the contact. Then nothing is shown, once, rather than
    // empty fields (each waiting for the book again) that look like the contact's.
    Text key;
    if (!records->ReadText(0, key)) {
        showNothing();
        const Text why = StorageError();
        ReportFailure(T("读取失败！"), why.empty() ? T("这个联系人已从通讯录中删除。") : why);
        return;
    }
    SetShownKey(*record, key);
    label.setText(PositionText(records->Position()));
    for (const auto& f : kTextFields) {
        Text value = records->ReadText(T(f.field));
        Control box = record->control(T(f.control));
        if (box.kind() == ControlKind::ComboBox) ShowGroup(box, value);
        else box.setText(f.field == std::string_view("生日") ? LeftText(value, 10) : value);
    }
    Bytes photo;
    records->ReadBytes(T("照片"), photo);
    record->control(T(RecordControls::Photo)).setPicture(ToText(photo).empty() ? state.defaultPhoto : photo);
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
    MainControl(MainControls::DeleteButton).setEnabled(false);
    MainControl(MainControls::SaveButton).setEnabled(true);
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

    if (field(RecordControls::NameBox).empty()) {
        ShowMessage(T("    姓名不能为空 ！    "), MessageStyle::kInformation, T("提示！"));
        return;
    }
    if (field(RecordControls::MobileBox).empty()) {
        ShowMessage(T("    手机不能为空 ！    "), MessageStyle::kInformation, T("提示！"));
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
    if (!contact.Open(ContactByKeySql(key), RecordSet::kSqlText)) {
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
        // Another program deleted it: the list shows the book without it.
        // The window keeps what was typed.
        fill_contact_list(state, RefillKind(state));
        return;
    }
    // What the list needs to know of the change: where the contact stood, and whether it still belongs.
    std::optional<ListedContact> before;
    if (!state.newRecordPending) before = ReadListedContact(contact);

    const Text name = field(RecordControls::NameBox);
    for (const auto& f : kTextFields) {
        const Text value = field(f.control);
        const bool written = contact.WriteText(T(f.field), value);
        if (f.field == std::string_view("姓名")) contact.WriteText(T("首字母"), contact_initials(name));
        if (!written && f.field == std::string_view("生日") && !value.empty()) {
            ShowMessage(T("生日不是有效的日期，没有保存！\r\n格式：1980-01-06"), MessageStyle::kInformation,
                        T("提示！"));
            return;
        }
    }
    const Bytes photo = record->control(T(RecordControls::Photo)).picture();
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
    ShowMessage(T("保存成功！"), MessageStyle::kInformation, T("提示"));
    // Where the list has the contact now; it stays shown when the list leaves it out.
    const int row = show_saved_contact(state, RefillKind(state), saved, before, after);
    Control label = record->control(T(RecordControls::PositionLabel));
    if (row >= 0) {
        state.selectedRow = row;
        label.setText(PositionText(row));
    } else {
        label.setText(T("当前选中第"));
    }
}

void delete_contact(ProgramState& state) {
    if (ShowMessage(T("真的要删除本记录吗！"), kAskBeforeDeleting, T("警告！")) != MessageAnswer::kOk) return;
    RecordSet* records = MainRecords();
    if (!records) return;
    const int row = MainControl(MainControls::ContactList).selection();
    if (!records->MoveTo(row)) {
        ReportFailure(T("删除失败！"), row < 0 ? T("没有选中的联系人。") : StorageError());
        return;
    }
    const Text group = records->ReadText(T("分组"));
    if (!records->Delete(RecordSet::kCurrentRow)) {
        ReportFailure(T("删除失败！"), StorageError());
        // Another program deleted it first (read again, the row is gone
        // without an error): the list shows the book without it.
        if (!records->RereadRecord(row) && StorageError().empty()) fill_contact_list(state, RefillKind(state));
        return;
    }
    records->Update();
    show_deleted_contact(state, RefillKind(state), group);
    MainControl(MainControls::DeleteButton).setEnabled(false);
    if (Window* record = RecordWindow(); record && state.recordWindowOpen) EmptyFields(*record);
}

void delete_all_contacts(ProgramState&) {
    if (ShowMessage(T("真的要删除全部记录吗！"), kAskBeforeDeleting, T("警告！")) != MessageAnswer::kOk) return;
    Window* main = MainWindow();
    DBConnection* connection = MainAddressBook();
    RecordSet* records = MainRecords();
    if (!connection || !records) return;
    // The rows go through a record set of its own, so that a refusal leaves the
    // list and the record set behind it as they were.
    RecordSet table;
    table.SetConnection(*connection);
    if (!table.Open(ContactsTable(), RecordSet::kTableName) || !table.Delete(RecordSet::kWholeTable)) {
        ReportFailure(T("删除失败！"), StorageError());
        return;
    }
    ShowMessage(T("已删除全部记录！"), MessageStyle::kInformation, T("提示！"));
    records->Open(Text(), RecordSet::kSqlText);  // the rows it held are gone
    if (ReportList* list = main->list(T(MainControls::ContactList))) list->DeleteAllItems();
}

HandlerTable record_window_handlers(ProgramState& state) {
    ProgramState* s = &state;
    HandlerTable table;
    table[RecordHandlers::Created] = [s](const EventArgs&) { open_record_window(*s); };
    table[RecordHandlers::Destroying] = [s](const EventArgs&) {
        s->recordWindowOpen = false;
        s->newRecordPending = false;
        MainControl(MainControls::SaveButton).setEnabled(false);
    };
    table[RecordHandlers::Save] = [s](const EventArgs&) { save_contact(*s); };
    table[RecordHandlers::Chat] = [s](const EventArgs& e) {
        open_chat(*s, e.window.control(T(RecordControls::QqBox)));
    };
    table[RecordHandlers::ChatSecond] = [s](const EventArgs& e) {
        open_chat(*s, e.window.control(T(RecordControls::SecondQqBox)));
    };
    table[RecordHandlers::PhotoPressed] = [s](const EventArgs& e) {
        choose_picture(*s, kContactPhotoTarget, e.window.control(T(RecordControls::PhotoDialog)));
    };
    table[RecordHandlers::BirthdayPressed] = [](const EventArgs& e) {
        if (BalloonTip* balloon = e.window.balloon(T(RecordControls::Balloon)))
            balloon->ShowTipAt(e.screenPosition.x(), e.screenPosition.y(), T("格式：1980-01-06"), -1);
    };
    table[RecordHandlers::GroupDropDown] = [](const EventArgs& e) {
        // The groups of the main window's group box; the shown group stays.
        Control box = e.window.control(T(RecordControls::GroupBox));
        const Text shown = box.text();
        ComboClear(box);
        Control groups = MainControl(MainControls::GroupFilter);
        for (int j = 0; j < ComboCount(groups); ++j) ComboAddItem(box, ComboItemText(groups, j));
        ShowGroup(box, shown);
    };
    return table;
}
