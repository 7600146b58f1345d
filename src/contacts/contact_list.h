#pragma once
// The main window's contact list: every list is one query on the main window's
// first recordset, and list row i shows record i of that query, so the rest of
// the program turns a row back into a contact with MoveTo(row). The list reads
// the cells of the rows it draws from the record set; it holds no copy.

#include "services/core/text.h"
#include "ui/program_state.h"

#include <optional>

class RecordSet;

// Contact list kinds of fill_contact_list.
enum ContactListKind : int {
    kAllContacts = 1,     // all contacts by name (the group box is rebuilt first)
    kSearchContacts = 2,  // name, initials or mobile number containing the search text
    kGroupContacts = 3,   // contacts whose group contains the group box's text
};

// Requeries the main window's recordset for `kind` and refills 超级列表框1 and
// the count label. Needs the main window ("main") to exist; does nothing if not.
void fill_contact_list(ProgramState& state, int kind);

// The values of a contact that decide whether a list shows it, and where.
struct ListedContact {
    Text name;      // 姓名: the order of every list, and the search
    Text initials;  // 首字母: the search
    Text mobile;    // 手机: the search
    Text group;     // 分组: the group filter and the group box
    bool operator==(const ListedContact&) const = default;
};
// The current record's.
ListedContact ReadListedContact(RecordSet& records);

// After a save of the contact with `key` through a record set of its own
// (`before`: its stored values before, none for a new contact; `after`: its
// stored values now), the list shows what fill_contact_list(state, kind)
// would, reading again only what the save changed: the contact's row alone
// when it keeps its place, else the query's rows (the group box only when the
// groups changed). The main recordset is left on the contact; returns its
// row, or -1 when the list does not show it.
int show_saved_contact(ProgramState& state, int kind, const Text& key, const std::optional<ListedContact>& before,
                       const ListedContact& after);

// After the main recordset deleted its current record (whose group was
// `group`), the list shows what fill_contact_list(state, kind) would, without
// reading the other rows again.
void show_deleted_contact(ProgramState& state, int kind, const Text& group);
