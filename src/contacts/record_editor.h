#pragma once
// The contact record window: shows every field of the contact of the selected
// list row, and is where contacts are created, changed and deleted. It works on
// the main window's 记录集1, which always holds the query behind the list, so a
// list row is turned back into its contact with MoveTo(row).

#include "services/window/window.h"
#include "ui/program_state.h"

// The record window's "created" handler: attaches its carrier recordset,
// remembers the default photo, docks beside the main window, shows the
// selected contact and hints at the photo box.
void open_record_window(ProgramState& state);

// Moves 记录集1 to the selected row and fills the record window from it:
// texts, photo (or the default photo), carrier logo and attribution.
void show_contact(ProgramState& state);

// Opens the record window (modeless, unless already open) with empty fields
// for a new contact; the next save inserts a row.
void new_contact(ProgramState& state);

// Stores the record window's fields: a new row after new_contact, else the
// contact the window shows, found by its key whether or not the list (a
// search, a group) shows it. "保存成功！" only once the row was stored; a
// message saying why when it was not. The list is refilled afterwards.
void save_contact(ProgramState& state);

// Deletes the selected contact after the "警告！" confirmation.
void delete_contact(ProgramState& state);

// Deletes every contact after the "警告！" confirmation; the list is emptied
// only when the rows were deleted.
void delete_all_contacts(ProgramState& state);

// Creates the record window, modeless, unless it is already open.
void load_record_window(ProgramState& state);

// The handlers the record window's declaration binds.
HandlerTable record_window_handlers(ProgramState& state);

// The initials stored in 首字母: the first pinyin letters of the characters in
// the name's first three two-byte slices (bytes 1-2, 3-4, 5-6); a slice that
// is not a GB2312 hanzi adds nothing. 张三 gives "zs", 欧阳明日 "oym".
Text contact_initials(const Text& name);
