#pragma once
// The main window's contact list: every list is one query on the main window's
// first recordset, and list row i shows record i of that query, so the rest of
// the program turns a row back into a contact with MoveTo(row).

#include "ui/program_state.h"

// Contact list kinds of fill_contact_list.
enum ContactListKind : int {
    kAllContacts = 1,    // all contacts by name (the group box is rebuilt first)
    kSearchContacts = 2, // name, initials or mobile number containing the search text
    kGroupContacts = 3,  // contacts whose group contains the group box's text
};

// Requeries the main window's recordset for `kind` and refills 超级列表框1 and
// the count label. Needs the main window ("main") to exist; does nothing if not.
void fill_contact_list(ProgramState& state, int kind);
