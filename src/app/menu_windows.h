#pragma once
// The windows the main menu opens that other parts of the program provide:
// the text import ("导入txt"), the spreadsheet import and export ("导入\导出"),
// the batch attribution ("号码归属") and the vCard and CSV exchange
// ("导入vCard", "导出vCard", "导入CSV", "导出CSV"). This is the one place where the
// program wires them to the menu.

#include "ui/program_state.h"

void open_text_import_from_menu(ProgramState& state);
void open_import_export_from_menu(ProgramState& state);
void open_batch_attribution_from_menu(ProgramState& state);
void import_vcard_from_menu(ProgramState& state);
void export_vcard_from_menu(ProgramState& state);
void import_csv_from_menu(ProgramState& state);
void export_csv_from_menu(ProgramState& state);
