#pragma once
// The import/export window: contacts staged in its list 超级列表框1 between
// the address book and an Excel 97-2003 workbook (.xls).
//  - 读出通讯录 reads the whole address book into the list (photos aside);
//  - 导出 writes the list to a workbook, each photo as "<mobile>.bmp" beside it;
//    every file is put in place only when written whole, and the closing
//    message says what could not be written or was cut;
//  - 导入 reads sheet Sheet1 of a workbook into the list;
//  - 写入通讯录 adds the list's rows whose mobile number the book lacks.
// Everything runs on the user's thread; pending window events run once per
// row, and closing the window ends a running action.

#include "services/core/value.h"
#include "services/window/window.h"
#include "ui/program_state.h"

#include <memory>
#include <vector>

// What the window keeps between its actions.
struct ImportExportSession {
    // After a read of the book: the key of the contact of list row i when it
    // has a photo, else 0. The photo itself is read when the row is exported,
    // so a read holds no photos.
    std::vector<long long> photoKeys;
    Text importFolder;  // folder of the last imported workbook, with its "/"
    bool busy = false;  // an action runs; clicks meanwhile are ignored
};

// Loads the import/export window, modal; returns when it is closed.
void open_import_export_window(ProgramState& state);

// The handlers the window's declaration binds, sharing one session.
HandlerTable import_export_handlers(ProgramState& state);

void read_book_into_list(Window& window, ImportExportSession& session);
void export_list_to_workbook(Window& window, ImportExportSession& session);
void import_workbook_into_list(Window& window, ImportExportSession& session);
void write_list_into_book(Window& window, ImportExportSession& session, ProgramState& state);

// "ODBC;DBQ=<file>;DefaultDir=<folder>;Driver={Microsoft Excel Driver (*.xls)}; "
Text WorkbookConnectionText(const Text& file, const Text& folder);
