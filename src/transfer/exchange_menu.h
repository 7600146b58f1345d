#pragma once
// The main menu's vCard and CSV items: the file dialog, the import or export,
// progress in the main window's count label (as the workbook transfer shows
// its progress), the closing message and the list refilled.

#include "services/window/window.h"
#include "transfer/exchange.h"
#include "ui/program_state.h"

// 导入vCard / 导入CSV: the chosen file into the address book.
void import_contacts_from_menu(ProgramState& state, ExchangeFormat format);
// 导出vCard / 导出CSV: the contacts the list shows (all of them when no search
// or group is active) into the chosen file.
void export_contacts_from_menu(ProgramState& state, ExchangeFormat format);

// The main window's handlers of the transfer items of its menu: "导入txt",
// "导入\导出", "导入vCard", "导出vCard", "导入CSV" and "导出CSV".
HandlerTable transfer_menu_handlers(ProgramState& state);
