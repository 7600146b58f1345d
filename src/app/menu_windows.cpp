#include "app/menu_windows.h"

// The three windows are not part of the program yet: their menu items do
// nothing until they are wired here.

void open_text_import_from_menu(ProgramState&) {}

void open_import_export_from_menu(ProgramState&) {}

void open_batch_attribution_from_menu(ProgramState&) {}
