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
#include <vector>

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

// The shown contact's row as it was read when it was shown. The fields show
// it and a save writes through it, so the book stores the save only while the
// row is still the version the user saw: a shared book checks the row version
// on every write, and refuses a row another desktop changed or deleted since.
// One object for the program's one record window (a late attribution answer
// may still hold it); reopened for each contact shown, closed with the window.
RecordSet& ShownRow() {
    static RecordSet row;
    return row;
}

// The shown row read again after the connection was lost: the old read's
// values are what the user saw. False when the row changed meanwhile.
bool ReadShownRowAgain(DBConnection& book) {
    RecordSet& row = ShownRow();
    const int fields = row.FieldCount();
    std::vector<Text> seen;
    for (int i = 0; i < fields; ++i) seen.push_back(row.ReadTextAt(0, i));
    const Text key = seen.empty() ? Text() : seen.front();
    row.Close();
    row.SetConnection(book);
    if (!row.Open(ContactByKeySql(key), RecordSet::kSqlText) || row.RecordCount() < 1 || !row.MoveTo(0)) return false;
    for (int i = 0; i < fields; ++i)
        if (row.ReadTextAt(0, i) != seen[static_cast<std::size_t>(i)]) return false;
    return true;
}

// Set when a save found the connection lost: the shown row's read is then of
// the old connection.
bool& ShownRowAfterLostConnection() {
    static bool lost = false;
    return lost;
}

// Whether ShownRow holds the contact of `key` (read when it was shown).
bool ShownRowHolds(const Text& key) {
    RecordSet& row = ShownRow();
    return !key.empty() && row.IsOpen() && row.RecordCount() > 0 && row.ReadTextAt(0, 0) == key;
}

// The row of `key` read now into ShownRow; false (and ShownRow closed) when it cannot be.
bool ReadShownRow(const Text& key) {
    RecordSet& row = ShownRow();
    row.Close();
    ShownRowAfterLostConnection() = false;
    DBConnection* book = MainAddressBook();
    if (!book || key.empty()) return false;
    row.SetConnection(*book);
    // The row's values, and with them the version a save is checked against,
    // are read now: a record set reads them when first asked, which for a
    // save could be after another desktop's change.
    if (row.Open(ContactByKeySql(key), RecordSet::kSqlText) && row.RecordCount() > 0 && row.MoveTo(0) &&
        !row.ReadText(0).empty())
        return true;
    row.Close();
    return false;
}

void EmptyFields(Window& record) {
    for (const auto& f : kTextFields) {
        Control box = record.control(T(f.control));
        if (box.kind() == ControlKind::ComboBox) box.setSelection(-1);
        else box.setText(Text());
    }
    record.control(T(RecordControls::Photo)).setPicture(Bytes());
    SetShownKey(record, Text());
    ShownRow().Close();
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

// A failure that is the connection's, not the statement's: a server book
// whose server went away (restarted, or the session ended by its
// administrator). Drivers word that differently; a trivial question on the
// connection tells. A book file has no connection to lose.
bool ConnectionLost(DBConnection& book) {
    return book.DatabaseSystem() != T("SQLite") && !book.ExecuteSql(ConnectionCheckSql());
}

// Why a write through `row` was refused, said as the user needs it.
void ReportRefusedSave(RecordSet& row, DBConnection& book) {
    switch (row.LastConflict()) {
    case RecordSet::RowConflict::kChangedElsewhere:
        ShowMessage(T("该联系人已被其他用户修改，请重新打开后再保存。"), MessageStyle::kInformation, T("提示！"));
        return;
    case RecordSet::RowConflict::kDeletedElsewhere:
        ReportFailure(T("保存失败！"), T("这个联系人已从通讯录中删除。"));
        return;
    case RecordSet::RowConflict::kNone: break;
    }
    const Text reason = StorageError();  // before the connection is asked anything else
    if (ConnectionLost(book)) {
        // The typed fields stay; the next save works once the server is back.
        ShownRowAfterLostConnection() = &row == &ShownRow();
        const bool back = book.Connect();
        ReportFailure(T("保存失败！"), back ? T("与数据库服务器的连接曾经中断，现已重新连接，请再点“保存”。")
                                            : T("与数据库服务器的连接已中断。输入的内容仍在窗口中，"
                                                "服务器恢复后请再点“保存”。"));
        return;
    }
    ReportFailure(T("保存失败！"), reason);
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
    // What the book holds now, not what the list read earlier: the version a save is checked against.
    RecordSet& shown = ReadShownRow(key) ? ShownRow() : *records;
    for (const auto& f : kTextFields) {
        Text value = shown.ReadText(T(f.field));
        Control box = record->control(T(f.control));
        if (box.kind() == ControlKind::ComboBox) ShowGroup(box, value);
        else box.setText(f.field == std::string_view("生日") ? LeftText(value, 10) : value);
    }
    Bytes photo;
    shown.ReadBytes(T("照片"), photo);
    record->control(T(RecordControls::Photo)).setPicture(ToText(photo).empty() ? state.defaultPhoto : photo);
    show_carrier_logo(*record, shown.ReadText(T("手机")));
    // A late answer of the lookup service counts only while this contact is still the one shown.
    show_attribution(*record, shown, attribution_service_address(state.settingsPath), [shownKey = key] {
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
    RecordSet fresh;
    RecordSet& contact = !state.newRecordPending && ShownRowHolds(key) ? ShownRow() : fresh;
    if (&contact == &ShownRow() && ShownRowAfterLostConnection()) {
        // The read the user saw belongs to the connection that was lost: read
        // again on the new one, and refused when the row changed meanwhile.
        if (!ReadShownRowAgain(*book)) {
            ShowMessage(T("该联系人已被其他用户修改，请重新打开后再保存。"), MessageStyle::kInformation, T("提示！"));
            return;
        }
        ShownRowAfterLostConnection() = false;
    }
    if (&contact == &fresh) {
        contact.SetConnection(*book);
        if (!contact.Open(ContactByKeySql(key), RecordSet::kSqlText)) {
            ReportFailure(T("保存失败！"), StorageError());
            return;
        }
    }
    // The shown row stays where it is: a refused save's values are still
    // pending on it, and moving would store them.
    if (state.newRecordPending) {
        if (!contact.AddNew()) {
            ReportFailure(T("保存失败！"), T("通讯录不能添加新记录。"));
            return;
        }
    } else if (contact.RecordCount() < 1 || (contact.Position() != 0 && !contact.MoveTo(0))) {
        ReportFailure(T("保存失败！"), T("这个联系人已从通讯录中删除。"));
        // Another program deleted it: the list shows the book without it.
        // The window keeps what was typed.
        fill_contact_list(state, RefillKind(state));
        return;
    }
    // What the list needs to know of the change: where the contact stood, and whether it still belongs.
    std::optional<ListedContact> before;
    if (!state.newRecordPending) before = ReadListedContact(contact);

    // A birthday that is no date stops the save before any field is written:
    // the shown row keeps no half of it for a later write to store.
    if (const Text birthday = field(RecordControls::BirthdayBox);
        !birthday.empty() && !contact.WriteText(T("生日"), birthday)) {
        ShowMessage(T("生日不是有效的日期，没有保存！\r\n格式：1980-01-06"), MessageStyle::kInformation, T("提示！"));
        return;
    }
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
        const bool gone = contact.LastConflict() == RecordSet::RowConflict::kDeletedElsewhere;
        ReportRefusedSave(contact, *book);
        // As when it was found gone before the write: the list drops it, the window keeps what was typed.
        if (gone) fill_contact_list(state, RefillKind(state));
        return;
    }
    const Text saved = contact.ReadText(0);
    const ListedContact after = ReadListedContact(contact);
    // The next save is checked against the version stored now.
    if (!ReadShownRow(saved)) ShownRow().Close();
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
        ShownRow().Close();
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
