#pragma once
// The text import window: delimited text, one contact per line, split into
// the name, mobile, QQ and e-mail columns, then inserted into the address
// book (no duplicate test). Runs on the user's thread.

#include "services/window/window.h"
#include "ui/program_state.h"

// Text files larger than this are refused with a message: the window keeps
// the whole text in its boxes, and the rows are written one statement each.
inline constexpr long long kMaxTextImportBytes = 8LL * 1024 * 1024;

// Loads the text import window, modal; returns when it is closed.
void open_text_import_window(ProgramState& state);

// The handlers the window's declaration binds.
HandlerTable text_import_handlers(ProgramState& state);

// 按钮_打开文件: choose a text file and put its text into 编辑框_待分割文本.
// The file is only read; UTF-8 (with or without a byte order mark) and UTF-16
// with one are converted, anything else is taken as GBK.
void open_text_file(Window& window);
// 编辑框_分隔符 got the focus: the separator advice in the balloon.
void show_separator_hint(Window& window);
// 按钮_分割文本: each line split at the separator into at most four columns.
void split_text(Window& window);
// 姓名首字母: the four-letter initials of every name in 编辑框_首字母.
void preview_initials(Window& window);
// 按钮_写入数据库: one INSERT per name on the main window's connection.
void write_rows_to_book(Window& window);
