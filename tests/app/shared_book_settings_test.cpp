// The setting that names a shared book, and the password it may hold: never
// shown, and the settings file readable by its owner only, whoever wrote it.

#include "services/core/connection_text.h"
#include "services/core/core.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "ui/address_book_open.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

std::string Hidden(const std::string& text) { return PasswordHidden(Text::fromUtf8(text)).toUtf8(); }

int ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

const std::string kServer =
    "ODBC;Driver=PostgreSQL Unicode;Server=127.0.0.1;Database=varelo;Uid=varelo;Pwd=S3cret;Port=5432";

}  // namespace

TEST(ConnectionPassword, EveryFormOfThePasswordIsHidden) {
    EXPECT_EQ(Hidden(kServer),
              "ODBC;Driver=PostgreSQL Unicode;Server=127.0.0.1;Database=varelo;Uid=varelo;Pwd=***;Port=5432");
    EXPECT_EQ(Hidden("DSN=book;PASSWORD={a;b}c};UID=x"), "DSN=book;PASSWORD=***c};UID=x");
    EXPECT_EQ(Hidden("Driver=X; pwd = top secret"), "Driver=X; pwd = ***");
    // Drivers quote the text they were given in their reports.
    EXPECT_EQ(Hidden("连接失败：'Server=h;Password=abc'\r\n下一行"), "连接失败：'Server=h;Password=***'\r\n下一行");
    // A field merely ending in the letters is no password.
    EXPECT_EQ(Hidden("Uid=pwdman;OldPwd2=x;Database=password"), "Uid=pwdman;OldPwd2=x;Database=password");
    EXPECT_TRUE(HoldsPassword(Text::fromUtf8(kServer)));
    EXPECT_FALSE(HoldsPassword(Text::fromUtf8("ODBC;Driver=PostgreSQL Unicode;Database=varelo;Uid=varelo")));
}

TEST(ConnectionPassword, ASettingsFileHoldingAPasswordIsKeptReadableByItsOwnerOnly) {
    TempFolder folder;
    const std::string path = folder.file("Peizhi.ini");
    const Text file = folder.fileText("Peizhi.ini");

    // A file others may read stays so while it holds no password.
    WriteFileBytes(path, Gbk("[窗口位置]\r\n主窗口左边=10\r\n"));
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(WriteIni(file, T("窗口位置"), T("主窗口顶边"), T("20")));
    EXPECT_EQ(ModeOf(path), 0644);

    // The program writing the connection makes it the owner's before the password lands.
    ASSERT_TRUE(WriteIni(file, T(kBookSection), T(kBookConnectionKey), Text::fromUtf8(kServer)));
    EXPECT_EQ(ModeOf(path), 0600);
    EXPECT_EQ(SharedBookConnection(file).toUtf8(), kServer);

    // Loosened by hand and rewritten by the program (the window position on closing): the owner's again.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(WriteIni(file, T("窗口位置"), T("主窗口顶边"), T("30")));
    EXPECT_EQ(ModeOf(path), 0600);

    // Written by an editor and only read by the program: tightened at the reading.
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    EXPECT_EQ(SharedBookConnection(file).toUtf8(), kServer);
    EXPECT_EQ(ModeOf(path), 0600);
}

TEST(ConnectionPassword, WithoutTheSettingTheLocalBookIsUsed) {
    TempFolder folder;
    EXPECT_TRUE(SharedBookConnection(folder.fileText("Peizhi.ini")).empty());
    WriteFileBytes(folder.file("Peizhi.ini"), Gbk("[窗口位置]\r\n主窗口左边=10\r\n"));
    EXPECT_TRUE(SharedBookConnection(folder.fileText("Peizhi.ini")).empty());
}
