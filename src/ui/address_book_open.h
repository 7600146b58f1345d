#pragma once
// Opening the address book file in the working folder. Both the login window and
// the main window open it this way; a file that cannot be opened ends the
// program after telling the user.

class DBConnection;

// ConnectAccess on VRL3.mdb with no password. On failure: "数据库连接失败！！"
// (information icon, caption "信息："), then the program ends with exit code 0.
void ConnectAddressBookOrExit(DBConnection& connection);

// The same report and end, for a book that cannot even be reached (its
// folder cannot be made the working folder).
[[noreturn]] void ExitAddressBookUnavailable();
