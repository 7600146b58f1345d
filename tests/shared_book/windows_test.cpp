// The program's windows on a shared book: signing in, the list, the record
// window's saves, and what a save meets when another desktop changed or
// deleted the contact, or when the server went away.

#include "shared_book_stage.h"

#include "contacts/contact_list.h"
#include "services/core/message.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

const char* kChangedElsewhere = "该联系人已被其他用户修改，请重新打开后再保存。";

int ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

}  // namespace

TEST_F(SharedBookTest, EveryWindowWorksOnTheBookTheSettingsName) {
    ASSERT_TRUE(db_.ready());
    addServerContact("张三", "13800000001", "同事");
    addServerContact("阿明", "13800000002");
    // The local book holds someone else: it is not the one shown.
    addContacts({{"本地", "13900000000", "bd", ""}});
    useServerBook();
    signIn("123456");
    ASSERT_NE(FindWindow("main"), nullptr) << "the server's starting account signs in";
    EXPECT_EQ(listRows(), (std::vector<std::string>{"阿明|13800000002", "张三|13800000001"}));
    // The file holds the password: its owner's alone from the first reading.
    EXPECT_EQ(ModeOf(settingsPath()), 0600);

    Window& record = openRow(1);
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "张三");
    type(record, RecordControls::RemarkBox, "服务器上的备注");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！"}));
    EXPECT_EQ(psql("select 备注 from 通讯录 where 姓名 = '张三'"), "服务器上的备注");

    // A new contact gets the server's own key.
    click(*FindWindow("main"), MainControls::NewButton);
    type(record, RecordControls::NameBox, "白云");
    type(record, RecordControls::MobileBox, "13800000003");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！"}));
    EXPECT_EQ(psql("select 首字母 from 通讯录 where 姓名 = '白云'"), "by");
    EXPECT_EQ(psql("select count(*) from 通讯录"), "3");
    EXPECT_EQ(query("select count(*) from 通讯录"), (std::vector<std::string>{"1"})) << "the local book is untouched";
}

TEST_F(SharedBookTest, ASaveOfAContactChangedElsewhereIsRefusedAndNothingIsLost) {
    ASSERT_TRUE(db_.ready());
    Window& record = typeRemarkOfTheOnlyContact("我的备注");
    // Another desktop saves the same contact meanwhile.
    psql("update 通讯录 set 手机 = '13911111111' where 姓名 = '张三'");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kChangedElsewhere}));
    EXPECT_EQ(psql("select 手机 || '|' || coalesce(备注, '(null)') from 通讯录"), "13911111111|(null)");
    EXPECT_EQ(textOf(record, RecordControls::RemarkBox), "我的备注") << "the typed fields stay";
    // A second try without reopening is refused again.
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kChangedElsewhere}));

    // Reopened, the window shows the other change, and a save stores on top of it.
    fill_contact_list(program_->state(), kAllContacts);
    openRow(0);
    EXPECT_EQ(textOf(record, RecordControls::MobileBox), "13911111111");
    type(record, RecordControls::RemarkBox, "我的备注");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！"}));
    EXPECT_EQ(psql("select 手机 || '|' || 备注 from 通讯录"), "13911111111|我的备注");
}

TEST_F(SharedBookTest, AContactDeletedElsewhereIsReportedAndNotCreatedAgain) {
    ASSERT_TRUE(db_.ready());
    Window& record = typeRemarkOfTheOnlyContact("我的备注");
    psql("delete from 通讯录");
    click(record, RecordControls::SaveButton);
    const auto said = takeMessages();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("这个联系人已从通讯录中删除"), std::string::npos) << said[0];
    EXPECT_EQ(psql("select count(*) from 通讯录"), "0");
    EXPECT_EQ(textOf(record, RecordControls::RemarkBox), "我的备注");
}

TEST_F(SharedBookTest, AServerThatGoesAwayDuringASaveIsReportedAndTheNextSaveStores) {
    ASSERT_TRUE(db_.ready());
    Window& record = typeRemarkOfTheOnlyContact("断线前输入");
    dropConnections();
    click(record, RecordControls::SaveButton);
    const auto said = takeMessages();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("保存失败！"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("连接"), std::string::npos) << said[0];
    EXPECT_EQ(psql("select coalesce(备注, '(null)') from 通讯录"), "(null)");
    // The program runs on, the typed fields kept; once connected again a save stores them.
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(textOf(record, RecordControls::RemarkBox), "断线前输入");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！"}));
    EXPECT_EQ(psql("select 备注 from 通讯录"), "断线前输入");
    // And the list reads the book again.
    addServerContact("李四", "13800000002");
    fill_contact_list(program_->state(), kAllContacts);
    EXPECT_EQ(listRows(), (std::vector<std::string>{"李四|13800000002", "张三|13800000001"}));
}

TEST_F(SharedBookTest, AFailedConnectionSaysWhyWithoutThePassword) {
    ASSERT_TRUE(db_.ready());
    const std::string wrong = "Wrong-Pass-4711";
    useServerBook(WithPassword(db_.connection(), wrong));
    // The death test's child runs the test again in a process of its own
    // (other temporary folders): it writes where its parent looks.
    const auto reportOf = [](pid_t parent) { return "/tmp/varelo-said-" + std::to_string(parent) + ".txt"; };
    const std::string report = reportOf(::getpid());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // What the box shows, written where the test reads it after the program ended.
            class FilePresenter : public MessagePresenter {
            public:
                explicit FilePresenter(std::string path) : path_(std::move(path)) {}
                int present(const MessageRequest& r) override {
                    std::ofstream(path_) << r.caption.toUtf8() << '\n'
                                         << r.text.toUtf8() << '\n'
                                         << r.detail.toUtf8() << '\n';
                    return 0;
                }

            private:
                std::string path_;
            };
            SetMessagePresenter(std::make_shared<FilePresenter>(reportOf(::getppid())));
            program_->start();
        },
        ::testing::ExitedWithCode(0), "");
    std::ifstream in(report);
    std::remove(report.c_str());
    std::string caption, text, detail, line;
    std::getline(in, caption);
    std::getline(in, text);
    while (std::getline(in, line)) detail += line + "\n";
    EXPECT_EQ(caption, "信息：");
    EXPECT_EQ(text, "数据库连接失败！！");
    EXPECT_NE(detail.find("Description:"), std::string::npos) << detail;
    EXPECT_EQ(detail.find(wrong), std::string::npos) << detail;
    EXPECT_EQ(detail.find(PasswordOf(db_.connection())), std::string::npos) << detail;
}
