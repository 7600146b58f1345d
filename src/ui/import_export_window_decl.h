#pragma once
// The import/export window ("导入\导出"): contacts staged in a list between
// the address book and a spreadsheet file.

#include "services/window/decl.h"

// Handler names the declaration binds.
inline constexpr const char* kImportWorkbookHandler = "import_workbook_into_list";
inline constexpr const char* kWriteListHandler = "write_list_into_book";
inline constexpr const char* kReadBookHandler = "read_book_into_list";
inline constexpr const char* kExportListHandler = "export_list_to_workbook";

// Window id "import_export", 884 x 510, modal from the main menu's "导入\导出".
WindowDecl ImportExportWindowDecl();
