#include "app/menu_windows.h"

#include "attribution/batch_window.h"
#include "transfer/import_export.h"
#include "transfer/text_import.h"

void open_text_import_from_menu(ProgramState& state) { open_text_import_window(state); }

void open_import_export_from_menu(ProgramState& state) { open_import_export_window(state); }

void open_batch_attribution_from_menu(ProgramState& state) { open_batch_window(state); }
