#include "contacts/contact_list.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/combo_text.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <algorithm>

namespace {

struct ContactListParts {
    Window& main;
    RecordSet& contacts;
    ReportList& list;
};

std::optional<ContactListParts> Parts() {
    Window* main = MainWindow();
    if (!main) return std::nullopt;
    RecordSet* contacts = main->recordSet(T(MainControls::Contacts));
    ReportList* list = main->list(T(MainControls::ContactList));
    if (!contacts || !list) return std::nullopt;
    return ContactListParts{*main, *contacts, *list};
}

bool KnownKind(int kind) { return kind == kAllContacts || kind == kSearchContacts || kind == kGroupContacts; }

// The query a list of `kind` shows now.
Text ListQuery(Window& main, int kind) {
    switch (kind) {
    case kAllContacts: return T("select * from ") + ContactsTable() + T(" order by ") + ContactsByName();
    case kSearchContacts: {
        const Text text = main.control(T(MainControls::SearchBox)).text();
        // The server's spelling function looks each character up row by row:
        // on a large shared book one keystroke would take minutes, so there
        // the search is the statement alone.
        const DBConnection* book = MainAddressBook();
        const bool onServer = book && book->DatabaseSystem() == T("PostgreSQL");
        return onServer ? ContactSearchSql(text) : ContactSearchWithSpellingSql(text);
    }
    case kGroupContacts: return GroupFilterSql(main.control(T(MainControls::GroupFilter)).text());
    default: return Text();
    }
}

// Whether a change of these values can move the contact in a list of `kind`
// or take it in or out: every list is in name order, a search matches name,
// initials and mobile, a group filter the group.
bool MovesOrLeaves(int kind, const ListedContact& before, const ListedContact& after) {
    if (before.name != after.name) return true;
    if (kind == kSearchContacts) return before.initials != after.initials || before.mobile != after.mobile;
    if (kind == kGroupContacts) return before.group != after.group;
    return kind != kAllContacts;
}

void ResetGroupBox(Control groups) {
    groups.setSelection(0);
    SetComboText(groups, T("分组查询"));
}

// Lists each distinct non-empty group once, in group order, in 组合框_查询.
void RebuildGroupList(Window& main) {
    Control groups = main.control(T(MainControls::GroupFilter));
    while (ComboCount(groups) > 0) ComboDeleteItem(groups, 0);
    RecordSet distinct;
    if (DBConnection* book = MainAddressBook();
        book && distinct.SetConnection(*book) && distinct.Open(ContactGroupsSql(), RecordSet::kSqlText)) {
        const FieldRef groupField(T("分组"));
        Text lastAdded;
        for (distinct.MoveFirst(); !distinct.AtEnd(); distinct.MoveNext()) {
            Text group = distinct.ReadText(groupField);
            // A group stored once as a number and once as its text reads the
            // same: listed once. Groups differing only in case are listed apart.
            if (!group.empty() && group != lastAdded) {
                ComboAddItem(groups, group);
                lastAdded = std::move(group);
            }
        }
    }
    ResetGroupBox(groups);
}

bool ListsGroup(Control groups, const Text& group) {
    for (int i = 0; i < ComboCount(groups); ++i)
        if (ComboItemText(groups, i) == group) return true;
    return false;
}

// Whether the book still has a contact in `group` (true when it cannot tell).
bool GroupHasContacts(const Text& group) {
    DBConnection* book = MainAddressBook();
    RecordSet member;
    if (!book || !member.SetConnection(*book) || !member.Open(ContactOfGroupSql(group), RecordSet::kSqlText))
        return true;
    return member.RecordCount() > 0;
}

// Whether a save changed the set of groups the group box lists: a group that
// is not listed yet, or one the contact left as its last member.
bool GroupsChange(Control groups, const std::optional<ListedContact>& before, const ListedContact& after) {
    if (before && before->group == after.group) return false;
    if (!after.group.empty() && !ListsGroup(groups, after.group)) return true;
    return before && !before->group.empty() && !GroupHasContacts(before->group);
}

// Row i of the list reads 姓名 and 手机 of record i when it is drawn.
void ShowContactRows(ReportList& list, RecordSet& contacts) {
    const FieldRef nameField(T("姓名"));
    const FieldRef mobileField(T("手机"));
    list.ShowSourceRows(std::max(contacts.RecordCount(), 0), [&contacts, nameField, mobileField](int row, int column) {
        if (column > 1) return Text();
        return contacts.ReadTextAt(row, column == 0 ? nameField : mobileField);
    });
}

// What every fill ends with: the count, the buttons, the record set on its
// first record and the record window's position text.
void FinishFill(ProgramState& state, ContactListParts& parts, int kind) {
    parts.main.control(T(MainControls::ClearSearchButton)).setVisible(kind != kAllContacts);
    const int count = parts.contacts.RecordCount();
    parts.main.control(T(MainControls::CountLabel)).setText(T("共 ") + TextOf(std::max(count, 0)) + T(" 条记录"));
    if (count > 0) parts.contacts.MoveTo(0);
    parts.main.control(T(MainControls::DeleteButton)).setEnabled(false);
    parts.main.control(T(MainControls::SaveButton)).setEnabled(false);
    if (state.recordWindowOpen) {
        if (Window* record = FindWindow("record"))
            record->control(T(RecordControls::PositionLabel))
                .setText(T("当前选中第 ") + TextOf(parts.contacts.Position() + 1) + T(" 条记录"));
    }
}

// Shows the query of a list of `kind`, opened aside first: when it cannot be
// opened (another program holds the book just now, and the record set has
// said why) the list keeps the rows it shows instead of going empty; false then.
bool Requery(ProgramState& state, ContactListParts& parts, int kind, bool rebuildGroups) {
    if (!KnownKind(kind)) {
        parts.list.DeleteAllItems();
        return true;
    }
    const Text query = ListQuery(parts.main, kind);
    RecordSet opened;
    DBConnection* book = MainAddressBook();
    const bool fresh = book && opened.SetConnection(*book) &&
                       (kind == kAllContacts ? opened.OpenTable(ContactsTable(), ContactsByName())
                                             : opened.Open(query, RecordSet::kSqlText));
    if (!fresh && parts.contacts.IsOpen()) return false;
    parts.list.DeleteAllItems();
    state.listQuery = query;
    if (kind == kAllContacts) {
        if (rebuildGroups) RebuildGroupList(parts.main);
        else ResetGroupBox(parts.main.control(T(MainControls::GroupFilter)));
    }
    parts.contacts.Swap(opened);
    ShowContactRows(parts.list, parts.contacts);
    FinishFill(state, parts, kind);
    return fresh;
}

// Whether the last read of the book failed (another program holds it), as
// opposed to finding that a row is gone.
bool BookRefusedARead() {
    DBConnection* book = MainAddressBook();
    return book && !book->ErrorText().empty();
}

bool HoldsContact(RecordSet& contacts, int record, const Text& key) {
    return record >= 0 && record < contacts.RecordCount() && contacts.ReadTextAt(record, 0) == key;
}

// The record of the contact with `key`, looked for outwards from `near`
// (where it stood before); -1 when the result does not hold it.
int FindContact(RecordSet& contacts, const Text& key, int near) {
    const int count = contacts.RecordCount();
    if (key.empty() || count <= 0) return -1;
    near = std::clamp(near, 0, count - 1);
    for (int distance = 0; near - distance >= 0 || near + distance < count; ++distance) {
        if (HoldsContact(contacts, near + distance, key)) return near + distance;
        if (distance > 0 && HoldsContact(contacts, near - distance, key)) return near - distance;
    }
    return -1;
}

}  // namespace

void fill_contact_list(ProgramState& state, int kind) {
    if (auto parts = Parts()) Requery(state, *parts, kind, true);
}

ListedContact ReadListedContact(RecordSet& records) {
    return {records.ReadText(T("姓名")), records.ReadText(T("首字母")), records.ReadText(T("手机")),
            records.ReadText(T("分组"))};
}

int show_saved_contact(ProgramState& state, int kind, const Text& key, const std::optional<ListedContact>& before,
                       const ListedContact& after) {
    auto parts = Parts();
    if (!parts) return -1;
    RecordSet& contacts = parts->contacts;
    // The list shows this query already: what did not change need not be read again.
    const bool sameList = KnownKind(kind) && contacts.IsOpen() && state.listQuery == ListQuery(parts->main, kind);
    // Only a list of all contacts rebuilds the group box.
    const bool groupsChange = kind == kAllContacts && sameList &&
                              GroupsChange(parts->main.control(T(MainControls::GroupFilter)), before, after);
    const int shownRow = HoldsContact(contacts, state.selectedRow, key)     ? state.selectedRow
                         : HoldsContact(contacts, contacts.Position(), key) ? contacts.Position()
                                                                            : -1;
    // Same rows in the same order: the row is drawn again from its new values,
    // read now, or when drawn if another program holds the book just now (a
    // new query would fail the same way and leave the list empty).
    if (sameList && before && !MovesOrLeaves(kind, *before, after) && shownRow >= 0 &&
        (contacts.RereadRecord(shownRow) || BookRefusedARead())) {
        if (kind == kAllContacts) {
            if (groupsChange) RebuildGroupList(parts->main);
            else ResetGroupBox(parts->main.control(T(MainControls::GroupFilter)));
        }
        ShowContactRows(parts->list, contacts);
        FinishFill(state, *parts, kind);
        contacts.MoveTo(shownRow);
        return shownRow;
    }
    // The contact came, went or moved: the query again, rows read as drawn.
    // Kept rows draw the contact's new values where it stood.
    if (!Requery(state, *parts, kind, !sameList || groupsChange) && shownRow >= 0) {
        contacts.RereadRecord(shownRow);
        return shownRow;
    }
    const int row = FindContact(contacts, key, shownRow >= 0 ? shownRow : state.selectedRow);
    contacts.MoveTo(row);
    return row;
}

void show_deleted_contact(ProgramState& state, int kind, const Text& group) {
    auto parts = Parts();
    if (!parts) return;
    if (!KnownKind(kind) || !parts->contacts.IsOpen() || state.listQuery != ListQuery(parts->main, kind)) {
        Requery(state, *parts, kind, true);
        return;
    }
    // The record set has dropped the row; the others keep their order.
    if (kind == kAllContacts) {
        if (!group.empty() && !GroupHasContacts(group)) RebuildGroupList(parts->main);
        else ResetGroupBox(parts->main.control(T(MainControls::GroupFilter)));
    }
    ShowContactRows(parts->list, parts->contacts);
    FinishFill(state, *parts, kind);
}
