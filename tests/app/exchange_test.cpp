// The vCard and CSV exchange from the main menu and from the command line,
// end to end on copies of the delivered VRL3.mdb. The command line runs the
// real program with no display at all.

#include "support/stages/program_fixture.h"

#include "contacts/contact_list.h"
#include "services/window/file_chooser.h"
#include "services/window/report_list.h"
#include "services/window/window_impl.h"
#include "support/address_book_copy.h"
#include "support/file_bytes.h"
#include "support/program_run.h"
#include "support/scripted_chooser.h"
#include "ui/combo_text.h"
#include "ui/main_window_decl.h"

#include <sqlite3.h>

namespace {

const std::string kTwoCards =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nTEL;TYPE=CELL:13800000001\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E6=9D=8E=E5=9B=9B\r\n"
    "TEL;CELL:13800000002\r\nEND:VCARD\r\n";

class ExchangeMenu : public ProgramFixture {
protected:
    ExchangeMenu() { previousChooser_ = SetFileChooser(chooser_); }
    ~ExchangeMenu() override { SetFileChooser(previousChooser_); }
    void choose(const char* item, const std::string& path) {
        chooser_->answers.push_back(path);
        chooseMenuItem(*FindWindow("main"), MainControls::Menu, item);
    }
    std::shared_ptr<ScriptedChooser> chooser_ = std::make_shared<ScriptedChooser>();
    std::shared_ptr<FileChooser> previousChooser_;
};

TEST_F(ExchangeMenu, ImportVCardFillsTheListAndReportsTheCounts) {
    addContacts({{"旧", "13800000001", "j", ""}});
    loadMain();
    WriteFileBytes(folder_.file("in.vcf"), kTwoCards);
    choose("导入vCard", folder_.file("in.vcf"));
    ASSERT_EQ(chooser_->requests.size(), 1u);
    EXPECT_FALSE(chooser_->requests[0].save);
    EXPECT_EQ(chooser_->requests[0].defaultExtension.toUtf8(), "vcf");
    EXPECT_EQ(messages_->lastText(), "共 2 条记录\r\n已存在 1 条记录\r\n成功添加 1 条记录");
    EXPECT_EQ(listRows(), (std::vector<std::string>{"旧|13800000001", "李四|13800000002"}));
    EXPECT_EQ(query("select 首字母 from 通讯录 where 姓名 = '李四'"), (std::vector<std::string>{"ls"}));
}

TEST_F(ExchangeMenu, ExportOfTheListedContactsThenCsvImportIntoAnEmptyBook) {
    addContacts({{"张三", "13800000001", "zs", "同学"}, {"李四", "13800000002", "ls", "同事"}});
    Window* main = loadMain();
    // Only the group 同学 is listed: the export holds what the list shows.
    SetComboText(main->control(T(MainControls::GroupFilter)), T("同学"));
    fill_contact_list(program_->state(), kGroupContacts);
    ASSERT_EQ(listRows(), (std::vector<std::string>{"张三|13800000001"}));
    choose("导出vCard", folder_.file("out.vcf"));
    EXPECT_EQ(messages_->lastText(), "共导出 1 条记录");
    const std::string vcf = FileBytes(folder_.file("out.vcf"));
    EXPECT_NE(vcf.find("FN:张三\r\n"), std::string::npos);
    EXPECT_EQ(vcf.find("李四"), std::string::npos);

    fill_contact_list(program_->state(), kAllContacts);
    choose("导出CSV", folder_.file("out.csv"));
    EXPECT_EQ(messages_->lastText(), "共导出 2 条记录");
    execSql("delete from 通讯录");
    choose("导入CSV", folder_.file("out.csv"));
    EXPECT_EQ(messages_->lastText(), "共 2 条记录\r\n已存在 0 条记录\r\n成功添加 2 条记录");
    EXPECT_EQ(listRows(), (std::vector<std::string>{"李四|13800000002", "张三|13800000001"}));
    EXPECT_EQ(query("select 分组 from 通讯录 order by 手机"), (std::vector<std::string>{"同学", "同事"}));
}

TEST_F(ExchangeMenu, ABadFileIsReportedAndCancelChangesNothing) {
    loadMain();
    WriteFileBytes(folder_.file("bad.csv"), "姓名,手机\r\n\"甲,1\r\n");
    choose("导入CSV", folder_.file("bad.csv"));
    EXPECT_EQ(messages_->lastText(), "第 2 行开始的引号没有闭合，没有导入任何联系人");
    const std::size_t shown = messages_->shown.size();
    chooseMenuItem(*FindWindow("main"), MainControls::Menu, "导入vCard");  // the dialog is cancelled
    EXPECT_EQ(messages_->shown.size(), shown);
    EXPECT_EQ(query("select count(*) from 通讯录"), (std::vector<std::string>{"0"}));
}

// ---- the command line: the real program, no display ----

std::vector<std::string> Names(const std::string& book) {
    std::vector<std::string> names;
    for (const auto& c : StoredContacts(book)) names.push_back(c["姓名"]);
    return names;
}

TEST(CommandLine, ImportAndExportWithoutADisplay) {
    AddressBookCopy book;
    const std::string cards = book.folder().file("in.vcf");
    WriteFileBytes(cards, kTwoCards);
    ProgramRun run = RunVarelo({"--book", book.path(), "--import-vcard", cards});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "共 2 条记录\n已存在 0 条记录\n成功添加 2 条记录\n");
    EXPECT_EQ(Names(book.path()), (std::vector<std::string>{"张三", "李四"}));

    run = RunVarelo({"--import-vcard", cards, "--book", book.path()});
    EXPECT_EQ(run.out, "共 2 条记录\n已存在 2 条记录\n成功添加 0 条记录\n");

    const std::string csv = book.folder().file("out.csv");
    run = RunVarelo({"--book", book.path(), "--export-csv", csv});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "共导出 2 条记录\n");
    const std::string vcf = book.folder().file("out.vcf");
    run = RunVarelo({"--book", book.path(), "--export-vcard", vcf});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(FileBytes(vcf).find("X-PHONETIC-LAST-NAME:Zhang\r\n"), std::string::npos);

    AddressBookCopy empty;
    run = RunVarelo({"--book", empty.path(), "--import-csv", csv});
    EXPECT_EQ(run.code, 0) << run.err;
    // The export lists by name, in pinyin order.
    EXPECT_EQ(Names(empty.path()), (std::vector<std::string>{"李四", "张三"}));
}

TEST(CommandLine, FailuresExitNonZeroWithOneLineAndNothingWritten) {
    AddressBookCopy book;
    const std::string bad = book.folder().file("bad.csv");
    WriteFileBytes(bad, "姓名,手机\r\n\"甲,1\r\n");
    ProgramRun run = RunVarelo({"--book", book.path(), "--import-csv", bad});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "varelo: 第 2 行开始的引号没有闭合，没有导入任何联系人\n");
    EXPECT_TRUE(StoredContacts(book.path()).empty());

    run = RunVarelo({"--book", book.path(), "--import-vcard", book.folder().file("missing.vcf")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.rfind("varelo: 找不到文件 ", 0), 0u) << run.err;

    run = RunVarelo({"--book", book.folder().file("nobook.mdb"), "--export-csv", bad});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.rfind("varelo: 找不到通讯录文件 ", 0), 0u) << run.err;
    EXPECT_EQ(FileBytes(bad), "姓名,手机\r\n\"甲,1\r\n");  // the export did not touch its target

    run = RunVarelo({"--book", book.path(), "--export-csv", book.folder().file("no/folder/x.csv")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;

    run = RunVarelo({"--import-vcard"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "varelo: --import-vcard 需要参数 FILE（用 --help 查看用法）\n");
    run = RunVarelo({"--frobnicate"});
    EXPECT_EQ(run.code, 2);
    run = RunVarelo({"--import-csv", bad, "--export-csv", bad});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("一次只能执行一项任务"), std::string::npos);
}

TEST(CommandLine, HelpListsEveryOption) {
    const ProgramRun run = RunVarelo({"--help"});
    EXPECT_EQ(run.code, 0);
    for (const char* option : {"--import-vcard FILE", "--export-vcard FILE", "--import-csv FILE", "--export-csv FILE",
                               "--book PATH", "--help"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

}  // namespace
