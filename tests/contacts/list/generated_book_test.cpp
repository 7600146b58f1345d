// The generated books the scale benchmark measures: what they hold, read back
// with bare SQLite and an image reader, and the program signing in to one.

#include "contacts/initials.h"
#include "services/window/report_list.h"
#include "support/address_book_copy.h"
#include "support/contact_book.h"
#include "support/stages/program_fixture.h"
#include "ui/main_window_decl.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include "build_paths.h"

namespace {

constexpr int kContacts = 3000;

class GeneratedBook : public ProgramFixture {
protected:
    void SetUp() override {
        ContactBookShape shape;
        shape.contacts = kContacts;
        std::string error;
        ASSERT_TRUE(FillContactBook(bookPath(), shape, &error)) << error;
    }
};

// How a name's characters fall in the code page, from its GBK bytes.
struct NameKinds {
    bool latin = false, levelOne = false, levelTwo = false, outsideGb2312 = false;
};

NameKinds KindsOf(const std::string& gbk) {
    NameKinds kinds;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        if (lead < 0x80) {
            kinds.latin = true;
            continue;
        }
        const auto trail = static_cast<unsigned char>(gbk[++i]);
        if (lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1) kinds.levelOne = true;
        else if (lead >= 0xD8 && lead <= 0xF7 && trail >= 0xA1) kinds.levelTwo = true;
        else kinds.outsideGb2312 = true;
    }
    return kinds;
}

TEST_F(GeneratedBook, HoldsRealisticContactsEveryOneWritableInTheCodePage) {
    const auto names = query("select 姓名 from 通讯录 order by 编号");
    const auto initials = query("select ifnull(首字母, '') from 通讯录 order by 编号");
    const auto mobiles = query("select 手机 from 通讯录 order by 编号");
    ASSERT_EQ(names.size(), static_cast<std::size_t>(kContacts));
    int latin = 0, levelTwo = 0, outside = 0, compared = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        int lost = 0;
        const Text name = Text::fromUtf8(names[i], lost);
        ASSERT_EQ(lost, 0) << names[i];
        const NameKinds kinds = KindsOf(name.bytes());
        latin += kinds.latin;
        levelTwo += kinds.levelTwo;
        outside += kinds.outsideGb2312;
        // Where the program's own reading table covers the name, the stored
        // initials are what it would store; surnames read otherwise than
        // their character's common reading (曾 zeng, 翟 zhai) stay out.
        const bool surnameReading = names[i].rfind("曾", 0) == 0 || names[i].rfind("翟", 0) == 0;
        if (!kinds.latin && !kinds.levelTwo && !kinds.outsideGb2312 && !surnameReading) {
            EXPECT_EQ(initials[i], NameInitials(name, 3).toUtf8()) << names[i];
            ++compared;
        }
        EXPECT_EQ(mobiles[i].size(), 11u) << mobiles[i];
        EXPECT_EQ(mobiles[i][0], '1') << mobiles[i];
    }
    EXPECT_GT(compared, kContacts / 2);
    EXPECT_GT(latin, kContacts / 100);
    EXPECT_GT(levelTwo, kContacts / 100);
    EXPECT_GT(outside, kContacts / 100);
    EXPECT_GT(std::stoi(query("select count(distinct 分组) from 通讯录")[0]), 5);
}

TEST_F(GeneratedBook, OneContactInTwentyHasAPhotoOfAbout100KilobytesThatDecodes) {
    const int photos = std::stoi(query("select count(*) from 通讯录 where 照片 is not null")[0]);
    EXPECT_GT(photos, kContacts * 3 / 100);
    EXPECT_LT(photos, kContacts * 7 / 100);
    EXPECT_EQ(query("select min(length(照片)) >= 100 * 1024 and max(length(照片)) < 110 * 1024 from 通讯录")[0], "1");

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(bookPath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "select 照片 from 通讯录 where 照片 is not null limit 1", -1, &statement, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    const QImage photo = QImage::fromData(static_cast<const uchar*>(sqlite3_column_blob(statement, 0)),
                                          sqlite3_column_bytes(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    ASSERT_FALSE(photo.isNull());
    EXPECT_GE(photo.width() * photo.height() * 3, 100 * 1024);
    EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
}

TEST_F(GeneratedBook, SignInListsEveryGeneratedContactWithItsCount) {
    signIn();
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->list(T(MainControls::ContactList))->ItemCount(), kContacts);
    EXPECT_EQ(main->control(T(MainControls::CountLabel)).text().toUtf8(),
              "共 " + std::to_string(kContacts) + " 条记录");
}

TEST(ContactBookCache, MakesTheBookOnceAndReusesIt) {
    TempFolder folder;
    ContactBookShape shape;
    shape.contacts = 200;
    std::string error;
    const std::string delivered = std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb";
    const std::string book = CachedContactBook(delivered, folder.file("cache"), shape, &error);
    ASSERT_FALSE(book.empty()) << error;
    ExecOnBook(book, "DELETE FROM 通讯录 WHERE 编号 > 150");
    // Found under the same name: not made again.
    EXPECT_EQ(CachedContactBook(delivered, folder.file("cache"), shape, &error), book);
    EXPECT_EQ(StoredContacts(book).size(), 150u);
    // Another size is another book.
    shape.contacts = 100;
    const std::string other = CachedContactBook(delivered, folder.file("cache"), shape, &error);
    ASSERT_NE(other, book);
    EXPECT_EQ(StoredContacts(other).size(), 100u);
}

}  // namespace
