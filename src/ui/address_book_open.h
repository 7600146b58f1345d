#pragma once
// Opening the address book. Both the login window and the main window open
// it this way; a book that cannot be opened ends the program after telling
// the user.
//
// The book is VRL3.mdb in the working folder, unless Peizhi.ini's
// [数据库] 连接 holds a connection text (a shared book on a database server,
// "ODBC;Driver=PostgreSQL Unicode;Server=...;Database=...;Uid=...;Pwd=..."):
// then every window works on that database instead.

#include "services/core/text.h"

class DBConnection;

// Peizhi.ini's section and key naming the shared book.
inline constexpr const char* kBookSection = "数据库";
inline constexpr const char* kBookConnectionKey = "连接";

// The connection text of the shared book the settings name; empty when they
// name none (the local VRL3.mdb). A settings file holding a password that
// others can read is made readable by its owner only.
Text SharedBookConnection(const Text& settingsPath);

// Opens the book the settings choose. On failure: "数据库连接失败！！"
// (information icon, caption "信息："), the reason in its detail text (a
// password in it hidden), then the program ends with exit code 0.
void ConnectAddressBookOrExit(DBConnection& connection, const Text& settingsPath);

// The same report and end, for a book that cannot even be reached (its
// folder cannot be made the working folder).
[[noreturn]] void ExitAddressBookUnavailable(const Text& reason = Text());
