// Making and filling a shared book from the command line: the real program,
// no display, the server read back with psql.

#include "shared_book_stage.h"

#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/program_run.h"

#include <filesystem>
#include "build_paths.h"

namespace {

std::string Hex(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) hex += std::string{digits[b >> 4], digits[b & 15]};
    return hex;
}

Bytes SamplePhoto() {
    Bytes photo = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    for (int i = 0; i < 5000; ++i) photo.push_back(static_cast<unsigned char>((i * 37) & 0xFF));
    return photo;
}

// A fresh database with no book in it.
class EmptyServer : public ::testing::Test {
protected:
    ServerDatabase db_;
};

}  // namespace

TEST_F(EmptyServer, CreateServerBookMakesTheTablesOnceAndNeverShowsThePassword) {
    ASSERT_TRUE(db_.ready());
    const std::string password = PasswordOf(db_.connection());
    ASSERT_FALSE(password.empty());
    const ProgramRun made = RunVarelo({"--create-server-book", db_.connection()});
    EXPECT_EQ(made.code, 0) << made.err;
    EXPECT_NE(made.out.find("已在数据库中建立通讯录"), std::string::npos) << made.out;
    EXPECT_EQ(db_.psql("select 用户名 from 用户"), "admin");
    EXPECT_EQ(db_.psql("select count(*) > 0 from 所属网络"), "t");
    EXPECT_EQ(db_.psql("select count(*) from 通讯录"), "0");

    const ProgramRun again = RunVarelo({"--create-server-book", db_.connection()});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("没有建立通讯录"), std::string::npos) << again.err;
    EXPECT_EQ(db_.psql("select count(*) from 用户"), "1");

    const ProgramRun refused = RunVarelo({"--create-server-book", WithPassword(db_.connection(), "Wrong-Pass-4711")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("连接不上数据库"), std::string::npos) << refused.err;
    for (const ProgramRun* run : {&made, &again, &refused}) {
        EXPECT_EQ((run->out + run->err).find(password), std::string::npos) << run->out << run->err;
        EXPECT_EQ((run->out + run->err).find("Wrong-Pass-4711"), std::string::npos) << run->out << run->err;
    }
}

TEST_F(SharedBookTest, CopyBookToCopiesContactsPhotosAccountsAndGroupsInTheLocalOrder) {
    ASSERT_TRUE(db_.ready());
    AddressBookCopy local;
    const Bytes photo = SamplePhoto();
    AddContact(local.path(), {{"姓名", "王五"}, {"手机", "13800000003"}, {"分组", "同学"}});
    AddContact(local.path(),
               {{"姓名", "张三"},
                {"手机", "13800000001"},
                {"分组", "同事"},
                {"生日", "1980-01-06 00:00:00"},
                {"备注", "带照片"},
                {"首字母", "zs"}},
               photo);
    AddContact(local.path(), {{"姓名", "李四"}, {"手机", "13800000002"}, {"分组", "同事"}});
    ExecOnBook(local.path(), "update 用户 set 密码 = 'local-admin' where 用户名 = 'admin'");
    AddUser(local.path(), "经理", "pw", Bytes{1, 2, 3, 0, 255});

    const ProgramRun copied = RunVarelo({"--book", local.path(), "--copy-book-to", db_.connection()});
    ASSERT_EQ(copied.code, 0) << copied.err;
    EXPECT_EQ(copied.out, "已复制 3 个联系人（其中 1 个有照片）、2 个账户、2 个分组。\n");
    EXPECT_EQ(psql("select 姓名 from 通讯录 order by 编号"), "王五\n张三\n李四");
    EXPECT_EQ(psql("select encode(照片, 'hex') from 通讯录 where 姓名 = '张三'"), Hex(photo));
    EXPECT_EQ(
        psql("select to_char(生日, 'YYYY-MM-DD') || '|' || 备注 || '|' || 首字母 from 通讯录 where 姓名 = '张三'"),
        "1980-01-06|带照片|zs");
    EXPECT_EQ(psql("select count(*) from 通讯录 where 照片 is null"), "2");
    EXPECT_EQ(psql("select 用户名 || '|' || 密码 from 用户 order by 用户名"), "admin|local-admin\n经理|pw");
    EXPECT_EQ(psql("select encode(头像, 'hex') from 用户 where 用户名 = '经理'"), "01020300ff");
    EXPECT_EQ(psql("select string_agg(distinct 分组, ',') from 通讯录"), "同事,同学");

    // A book holding contacts is not copied into again, unless asked to append.
    const ProgramRun refused = RunVarelo({"--book", local.path(), "--copy-book-to", db_.connection()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("--append"), std::string::npos) << refused.err;
    EXPECT_EQ(psql("select count(*) from 通讯录"), "3");
    const ProgramRun appended = RunVarelo({"--book", local.path(), "--copy-book-to", db_.connection(), "--append"});
    EXPECT_EQ(appended.code, 0) << appended.err;
    EXPECT_EQ(appended.out, "已复制 3 个联系人（其中 1 个有照片）、0 个账户、2 个分组。\n");
    EXPECT_EQ(psql("select string_agg(姓名, ',' order by 编号) from 通讯录"), "王五,张三,李四,王五,张三,李四");
    EXPECT_EQ(psql("select count(*) from 用户"), "2");
    for (const ProgramRun* run : {&copied, &refused, &appended})
        EXPECT_EQ((run->out + run->err).find(PasswordOf(db_.connection())), std::string::npos);
}

TEST_F(SharedBookTest, ACopyThatFailsHalfWayLeavesTheServerBookAsItWas) {
    ASSERT_TRUE(db_.ready());
    AddressBookCopy local;
    AddContact(local.path(), {{"姓名", "甲"}, {"手机", "13800000001"}}, SamplePhoto());
    // The local file takes any text as a date; the server does not.
    AddContact(local.path(), {{"姓名", "乙"}, {"手机", "13800000002"}, {"生日", "去年春天"}});
    AddContact(local.path(), {{"姓名", "丙"}, {"手机", "13800000003"}});
    const ProgramRun run = RunVarelo({"--book", local.path(), "--copy-book-to", db_.connection()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("没有复制"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("乙"), std::string::npos) << run.err;
    EXPECT_EQ(psql("select count(*) from 通讯录"), "0");
    EXPECT_EQ(psql("select string_agg(用户名 || '|' || 密码, ',') from 用户"), "admin|123456");
}

TEST_F(SharedBookTest, CommandLineTasksUseTheBookTheSettingsName) {
    ASSERT_TRUE(db_.ready());
    // A portable program folder of its own, so that its Peizhi.ini is the one read.
    const std::string program = programFile("varelo");
    std::filesystem::copy_file(VARELO_PROGRAM_DIR "/varelo", program);
    useServerBook();
    const std::string csv = folder_.file("in.csv");
    WriteFileBytes(csv, "姓名,手机\r\n张三,13800000001\r\n李四,13800000002\r\n");
    const ProgramRun run = RunProgram(program, {"--import-csv", csv});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(psql("select string_agg(姓名, ',' order by 编号) from 通讯录"), "张三,李四");
    EXPECT_EQ(query("select count(*) from 通讯录"), (std::vector<std::string>{"0"})) << "the local book is untouched";

    // A server that refuses: said why, the password hidden.
    useServerBook(WithPassword(db_.connection(), "Wrong-Pass-4711"));
    const ProgramRun refused = RunProgram(program, {"--export-csv", folder_.file("out.csv")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("数据库连接失败"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("Wrong-Pass-4711"), std::string::npos) << refused.err;
}
