#include "app/menu_windows.h"

#include "attribution/batch_window.h"
#include "transfer/exchange_menu.h"
#include "transfer/import_export.h"
#include "transfer/text_import.h"

void open_text_import_from_menu(ProgramState& state) { open_text_import_window(state); }

void open_import_export_from_menu(ProgramState& state) { open_import_export_window(state); }

void open_batch_attribution_from_menu(ProgramState& state) { open_batch_window(state); }

void import_vcard_from_menu(ProgramState& state) { import_contacts_from_menu(state, ExchangeFormat::VCard); }

void export_vcard_from_menu(ProgramState& state) { export_contacts_from_menu(state, ExchangeFormat::VCard); }

void import_csv_from_menu(ProgramState& state) { import_contacts_from_menu(state, ExchangeFormat::Csv); }

void export_csv_from_menu(ProgramState& state) { export_contacts_from_menu(state, ExchangeFormat::Csv); }
