#include "contacts/contact_list.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/combo_text.h"
#include "ui/main_window.h"
#include "ui/record_window.h"

namespace {

// Lists each distinct non-empty group once, in sorted order, in 组合框_查询.
void RebuildGroupList(Window& main, RecordSet& contacts) {
    Control groups = main.control(T(MainControls::GroupFilter));
    while (ComboCount(groups) > 0) ComboDeleteItem(groups, 0);
    contacts.OpenTable(ContactsTable(), ContactsByGroup());
    const FieldRef groupField(T("分组"));
    Text lastAdded;
    for (contacts.MoveFirst(); !contacts.AtEnd(); contacts.MoveNext()) {
        Text group = contacts.ReadText(groupField);
        // Exact comparison: groups differing only in case are listed apart.
        if (group != lastAdded) {
            ComboAddItem(groups, group);
            lastAdded = std::move(group);
        }
    }
    groups.setSelection(0);
    SetComboText(groups, T("分组查询"));
}

}  // namespace

void fill_contact_list(ProgramState& state, int kind) {
    Window* main = MainWindow();
    if (!main) return;
    RecordSet* contacts = main->recordSet(T(MainControls::Contacts));
    ReportList* list = main->list(T(MainControls::ContactList));
    if (!contacts || !list) return;
    Control clearButton = main->control(T(MainControls::ClearSearchButton));

    list->DeleteAllItems();
    switch (kind) {
    case kAllContacts:
        RebuildGroupList(*main, *contacts);
        contacts->OpenTable(ContactsTable(), ContactsByName());
        state.listQuery = T("select * from ") + ContactsTable() + T(" order by ") + ContactsByName();
        clearButton.setVisible(false);
        break;
    case kSearchContacts:
        state.listQuery = ContactSearchSql(main->control(T(MainControls::SearchBox)).text());
        contacts->Open(state.listQuery, RecordSet::kSqlText);
        clearButton.setVisible(true);
        break;
    case kGroupContacts:
        state.listQuery = GroupFilterSql(main->control(T(MainControls::GroupFilter)).text());
        contacts->Open(state.listQuery, RecordSet::kSqlText);
        clearButton.setVisible(true);
        break;
    default:
        return;
    }

    const int count = contacts->RecordCount();
    main->control(T(MainControls::CountLabel)).setText(T("共 ") + TextOf(count) + T(" 条记录"));

    // Built from the last record to the first, each row placed at the top, so
    // that row i shows record i whatever the list's sort order.
    const FieldRef nameField(T("姓名"));
    const FieldRef mobileField(T("手机"));
    for (int record = count - 1; record >= 0; --record) {
        contacts->MoveTo(record);
        const int row = list->InsertItem(0);
        list->SetItemText(row, 0, contacts->ReadText(nameField));
        list->SetItemText(row, 1, contacts->ReadText(mobileField));
    }
    // Left on record 0 by the walk (an empty result has no records to visit).

    main->control(T(MainControls::DeleteButton)).setEnabled(false);
    main->control(T(MainControls::SaveButton)).setEnabled(false);

    if (state.recordWindowOpen) {
        if (Window* record = FindWindow("record"))
            record->control(T(RecordControls::PositionLabel))
                .setText(T("当前选中第 ") + TextOf(contacts->Position() + 1) + T(" 条记录"));
    }
}
