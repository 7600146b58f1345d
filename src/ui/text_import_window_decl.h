#pragma once
// The text import window ("导入数据"): delimited text split into the name,
// mobile, QQ and e-mail columns, then written to the address book.

#include "services/window/decl.h"

// Handler names the declaration binds.
inline constexpr const char* kOpenTextFileHandler = "open_text_file";
inline constexpr const char* kShowSeparatorHintHandler = "show_separator_hint";
inline constexpr const char* kSplitTextHandler = "split_text";
inline constexpr const char* kPreviewInitialsHandler = "preview_initials";
inline constexpr const char* kWriteRowsToBookHandler = "write_rows_to_book";
inline constexpr const char* kTextImportClosingHandler = "text_import_closing";

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace TextImportControls {
inline constexpr const char* SourceLabel = "标签";
inline constexpr const char* NameLabel = "标签1";
inline constexpr const char* MobileLabel = "标签2";
inline constexpr const char* QqLabel = "标签3";
inline constexpr const char* EmailLabel = "标签4";
inline constexpr const char* InitialsButton = "姓名首字母";
inline constexpr const char* SourceBox = "编辑框_待分割文本";
inline constexpr const char* NameBox = "编辑框_姓名";
inline constexpr const char* MobileBox = "编辑框_手机";
inline constexpr const char* QqBox = "编辑框_QQ号";
inline constexpr const char* EmailBox = "编辑框_邮箱";
inline constexpr const char* InitialsBox = "编辑框_首字母";
inline constexpr const char* SeparatorLabel = "标签6";
inline constexpr const char* SeparatorBox = "编辑框_分隔符";
inline constexpr const char* SplitButton = "按钮_分割文本";
inline constexpr const char* OpenButton = "按钮_打开文件";
inline constexpr const char* StatusLabel = "标签_状态";
inline constexpr const char* WriteButton = "按钮_写入数据库";
inline constexpr const char* FileDialog = "通用对话框1";
inline constexpr const char* Balloon = "气球提示框1";
}  // namespace TextImportControls

// Window id "text_import", 1006 x 594, modal from the main menu's "导入txt".
WindowDecl TextImportWindowDecl();
