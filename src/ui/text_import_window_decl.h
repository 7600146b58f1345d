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

// Window id "text_import", 1006 x 594, modal from the main menu's "导入txt".
WindowDecl TextImportWindowDecl();
