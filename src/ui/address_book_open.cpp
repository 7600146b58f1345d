#include "ui/address_book_open.h"

#include "data/address_book.h"
#include "services/core/connection_text.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

Text SharedBookConnection(const Text& settingsPath) {
    if (settingsPath.empty()) return Text();
    const Text connection = ReadIni(settingsPath, T(kBookSection), T(kBookConnectionKey));
    // A password others can read is no secret: the file is kept as the
    // program writes it, readable by its owner only.
    struct stat st;
    const std::string path = settingsPath.toFileSystem();
    if (HoldsPassword(connection) && ::stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0)
        ::chmod(path.c_str(), st.st_mode & 0700);
    return connection;
}

void ConnectAddressBookOrExit(DBConnection& connection, const Text& settingsPath) {
    const Text shared = SharedBookConnection(settingsPath);
    const bool connected =
        shared.empty() ? connection.ConnectAccess(AddressBookFile(), Text()) : connection.Connect(shared);
    if (connected) {
        KeepContactOrder(connection);
        return;
    }
    ExitAddressBookUnavailable(connection.ErrorText());
}

void ExitAddressBookUnavailable(const Text& reason) {
    ShowMessageWithDetail(T("数据库连接失败！！"), PasswordHidden(reason), MessageStyle::kInformation);
    // Nothing has been written yet; end at once, as after the fatal report.
    std::fflush(nullptr);
    std::_Exit(0);
}
