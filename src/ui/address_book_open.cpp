#include "ui/address_book_open.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"

#include <cstdio>
#include <cstdlib>

void ConnectAddressBookOrExit(DBConnection& connection) {
    if (connection.ConnectAccess(AddressBookFile(), Text())) {
        KeepContactOrder(connection);
        return;
    }
    ExitAddressBookUnavailable();
}

void ExitAddressBookUnavailable() {
    ShowMessage(T("数据库连接失败！！"), MessageStyle::kInformation);
    // Nothing has been written yet; end at once, as after the fatal report.
    std::fflush(nullptr);
    std::_Exit(0);
}
