#pragma once
// The import/export window ("导入\导出"): contacts staged in a list between
// the address book and a spreadsheet file.

#include "services/window/decl.h"

// Handler names the declaration binds.
inline constexpr const char* kImportWorkbookHandler = "import_workbook_into_list";
inline constexpr const char* kWriteListHandler = "write_list_into_book";
inline constexpr const char* kReadBookHandler = "read_book_into_list";
inline constexpr const char* kExportListHandler = "export_list_to_workbook";

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace ImportExportControls {
inline constexpr const char* List = "超级列表框1";  // the staged contacts
inline constexpr const char* ImportButton = "按钮导入";
inline constexpr const char* WriteButton = "按钮_写入数据库";
inline constexpr const char* ProgressText = "状态透明标签";
inline constexpr const char* Progress = "进度条1";
inline constexpr const char* Hint = "状态透明标签1";
inline constexpr const char* ReadButton = "按钮_读出数据库";
inline constexpr const char* ExportButton = "按钮导出";
inline constexpr const char* FileDialog = "通用对话框1";
inline constexpr const char* SheetConnection = "数据库连接1";  // the workbook being imported
inline constexpr const char* Sheet = "记录集1";                // its rows
inline constexpr const char* Excel = "Excel程序1";
inline constexpr const char* Workbooks = "Excel工作簿1";
}  // namespace ImportExportControls

// Window id "import_export", 884 x 510, modal from the main menu's "导入\导出".
WindowDecl ImportExportWindowDecl();
