// The main window's list and the record window under real faults while the
// list reads its rows through the keyed cursor: a save of a shown contact and
// a delete from the list meet another program's locks, a read-only book, a
// full disk, a contact the shell deleted after the list was filled, and the
// record window closed in the middle. What the windows say was stored is
// what the file holds, a failure says why, typed values stay in the window,
// and the list shows what the file holds.

#include "faults/fault_support.h"
#include "support/close_way.h"
#include "support/stages/record_fixture.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace faults;
using namespace record_tests;

namespace {

constexpr int kContacts = 150;  // two pages of the cursor
constexpr int kShown = 140;     // a row on the second page

std::string ContactName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "同事%03d", i);
    return name;
}

class ListFaults : public RecordWindowTest {
protected:
    // The book with its contacts, the fault's book opened by the main window
    // as the program opens it, and the list filled.
    void prepare(BookFault fault) {
        std::vector<ContactColumns> contacts;
        for (int i = 0; i < kContacts; ++i)
            contacts.push_back({{"姓名", ContactName(i)}, {"手机", std::to_string(13600000000LL + i)}});
        AddContacts(bookPath(), contacts);
        closeAllWindows();
        fault_ = std::make_unique<FaultOnBook>(fault, bookPath());
        book_ = fault_->book();
        if (book_.empty()) GTEST_SKIP() << fault_->skipReason();
        loadMainWindow();
        DBConnection* connection = mainWindow().connection(T(MainControls::AddressBook));
        ASSERT_TRUE(connection->ConnectAccess(Text::fromUtf8(book_))) << connection->ErrorText().toUtf8();
        KeepContactOrder(*connection);
        refillList();
        ASSERT_EQ(listRows(), kContacts);
    }

    // Every row of the list is the file's row in name order, and the count says so.
    void expectListShowsTheFile() {
        const auto stored = StoredNamesAndMobiles(book_);
        std::vector<std::pair<std::string, std::string>> rows;
        for (const auto& [id, row] : stored) rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        ASSERT_EQ(listRows(), static_cast<int>(rows.size()));
        for (int i = 0; i < listRows(); ++i) {
            EXPECT_EQ(listText(i, 0), rows[std::size_t(i)].first) << "row " << i;
            EXPECT_EQ(listText(i, 1), rows[std::size_t(i)].second) << "row " << i;
        }
        EXPECT_EQ(textOf(mainWindow(), MainControls::CountLabel), "共 " + std::to_string(rows.size()) + " 条记录");
    }

    std::string storedMobile(const std::string& name) {
        for (const auto& [id, row] : StoredNamesAndMobiles(book_))
            if (row.first == name) return row.second;
        return "<none>";
    }

    // 删除 on list row `row`, the question answered OK; the messages after it.
    std::vector<std::string> deleteRow(int row) {
        mainWindow().list(T(MainControls::ContactList))->setCurrentSelection(row);
        takeMessages();
        click(mainWindow(), MainControls::DeleteButton);
        auto said = takeMessages();
        EXPECT_FALSE(said.empty());
        if (!said.empty()) said.erase(said.begin());  // the question
        return said;
    }

    std::unique_ptr<FaultOnBook> fault_;
    std::string book_;
};

// The last message says the failure, then why on a line of its own (a
// query the book refused has shown the refusal on its own before).
void ExpectFailureWithReason(const std::vector<std::string>& said, const std::string& failure) {
    ASSERT_FALSE(said.empty()) << "no failure said";
    EXPECT_LE(said.size(), 2u);
    EXPECT_EQ(said.back().rfind(failure + "\r\n", 0), 0u) << said.back();
    EXPECT_GT(said.back().size(), failure.size() + 2) << "no reason given";
}

std::string FaultName(const ::testing::TestParamInfo<BookFault>& info) {
    switch (info.param) {
    case BookFault::WriteLock: return "WriteLock";
    case BookFault::EveryLock: return "EveryLock";
    case BookFault::ReadOnly: return "ReadOnly";
    case BookFault::FullDisk: return "FullDisk";
    }
    return "unknown";
}

class ListFaultsEach : public ListFaults, public ::testing::WithParamInterface<BookFault> {};

TEST_P(ListFaultsEach, ASaveAndADeleteFromTheListStoreWhatTheySayAndTheListShowsTheFile) {
    prepare(GetParam());
    if (IsSkipped() || HasFatalFailure()) return;
    const std::string shown = ContactName(kShown), before = storedMobile(shown);
    const std::string other = ContactName(kShown - 1), otherMobile = storedMobile(other);
    openRow(kShown);
    ASSERT_EQ(textOf(recordWindow(), RecordControls::NameBox), shown);
    type(recordWindow(), RecordControls::MobileBox, "13912345678");

    ASSERT_TRUE(fault_->start());
    takeMessages();
    click(recordWindow(), RecordControls::SaveButton);
    ExpectFailureWithReason(takeMessages(), "保存失败！");
    EXPECT_EQ(textOf(recordWindow(), RecordControls::MobileBox), "13912345678") << "the typed value is kept";
    ExpectFailureWithReason(deleteRow(kShown - 1), "删除失败！");
    fault_->end();

    EXPECT_EQ(storedMobile(shown), before);
    EXPECT_EQ(storedMobile(other), otherMobile);
    expectListShowsTheFile();
    EXPECT_EQ(IntegrityCheck(book_), "ok");
    if (GetParam() == BookFault::ReadOnly) return;

    // The fault gone, the same save and delete go through.
    openRow(kShown);
    type(recordWindow(), RecordControls::MobileBox, "13912345678");
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"保存成功！"});
    EXPECT_EQ(storedMobile(shown), "13912345678");
    EXPECT_TRUE(deleteRow(kShown - 1).empty());
    EXPECT_EQ(storedMobile(other), "<none>");
    expectListShowsTheFile();
}

INSTANTIATE_TEST_SUITE_P(EveryFault, ListFaultsEach,
                         ::testing::Values(BookFault::WriteLock, BookFault::EveryLock, BookFault::ReadOnly,
                                           BookFault::FullDisk),
                         FaultName);

// The shell deletes contacts after the list was filled: the shown one before
// its save, another before the list's delete of it. Nothing comes back to
// life, each says what happened, and the list drops them.
TEST_F(ListFaults, ContactsTheShellDeletedAfterTheFillAreNeitherSavedBackNorListed) {
    prepare(BookFault::WriteLock);  // the fault is not started: only its book is used
    if (HasFatalFailure()) return;
    openRow(kShown);
    type(recordWindow(), RecordControls::MobileBox, "13912345678");
    ExecOnBook(book_, "DELETE FROM 通讯录 WHERE 姓名 = '" + ContactName(kShown) + "'");
    takeMessages();
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"保存失败！\r\n这个联系人已从通讯录中删除。"});
    EXPECT_EQ(storedMobile(ContactName(kShown)), "<none>");
    EXPECT_EQ(textOf(recordWindow(), RecordControls::MobileBox), "13912345678") << "the typed value is kept";
    expectListShowsTheFile();

    const int gone = 10;
    ASSERT_EQ(listText(gone, 0), ContactName(gone));
    ExecOnBook(book_, "DELETE FROM 通讯录 WHERE 姓名 = '" + ContactName(gone) + "'");
    ExpectFailureWithReason(deleteRow(gone), "删除失败！");
    expectListShowsTheFile();
    EXPECT_EQ(CountRows(book_), kContacts - 2);
}

// A contact opened while another program holds every lock cannot be read:
// the record window says so rather than show an empty contact, and a save
// from it writes nothing.
TEST_F(ListFaults, AContactOpenedUnderAnotherProgramsLockIsReportedUnreadable) {
    prepare(BookFault::EveryLock);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(fault_->start());
    takeMessages();
    openRow(kShown);
    const auto said = takeMessages();
    const std::string name = textOf(recordWindow(), RecordControls::NameBox);
    fault_->end();
    if (name.empty()) {
        ExpectFailureWithReason(said, "读取失败！");
    } else {
        EXPECT_EQ(name, ContactName(kShown));
    }
    type(recordWindow(), RecordControls::NameBox, "顶替");
    type(recordWindow(), RecordControls::MobileBox, "13912345678");
    takeMessages();
    click(recordWindow(), RecordControls::SaveButton);
    const auto saving = takeMessages();
    ASSERT_EQ(saving.size(), 1u);
    if (name.empty()) {
        EXPECT_EQ(saving[0].rfind("保存失败！", 0), 0u);
    }
    EXPECT_EQ(CountRows(book_), kContacts);
    EXPECT_EQ(HasContactNamed(book_, "顶替"), saving[0] == "保存成功！");
    expectListShowsTheFile();
}

// Another program takes every lock just after a save was stored, while
// "保存成功！" is shown: the list cannot read the book for a while. It keeps
// its rows (a rename, which moves the contact, cannot query the list again),
// and once the book is free it shows the saved values, not the ones it had
// read before; the next refill has them in order.
class KeptAfterASave : public ListFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(KeptAfterASave, TheListShowsTheFileOnceTheBookIsFree) {
    const std::string box = GetParam();
    const std::string typed = box == RecordControls::NameBox ? "张福" : "13912345678";
    prepare(BookFault::EveryLock);
    if (HasFatalFailure()) return;
    openRow(kShown);
    ASSERT_EQ(listText(kShown, 1), std::to_string(13600000000LL + kShown));
    type(recordWindow(), box.c_str(), typed);
    bool locked = false;
    (*messages_)->whileShown = [&](const MessageRequest& shown) {
        if (!locked && shown.text.toUtf8() == "保存成功！") locked = fault_->start();
    };
    takeMessages();
    click(recordWindow(), RecordControls::SaveButton);
    (*messages_)->whileShown = nullptr;
    ASSERT_TRUE(locked);
    const auto said = takeMessages();
    fault_->end();
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.front(), "保存成功！");
    const auto stored = StoredNamesAndMobiles(book_);
    std::vector<std::pair<std::string, std::string>> fileRows, listed;
    for (const auto& [id, row] : stored) fileRows.push_back(row);
    for (int i = 0; i < listRows(); ++i) listed.emplace_back(listText(i, 0), listText(i, 1));
    std::sort(fileRows.begin(), fileRows.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, fileRows);
    EXPECT_EQ(textOf(mainWindow(), MainControls::CountLabel), "共 " + std::to_string(kContacts) + " 条记录");
    refillList();
    expectListShowsTheFile();
}

INSTANTIATE_TEST_SUITE_P(MobileOrName, KeptAfterASave,
                         ::testing::Values(RecordControls::MobileBox, RecordControls::NameBox),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param == RecordControls::NameBox ? "Rename" : "NewMobile");
                         });

// The record window closed while a save's message is shown, its failure
// under another program's lock and then its success: the book and the list
// agree with what was said, and the window opens again.
class ClosedDuringSave : public ListFaults, public ::testing::WithParamInterface<CloseWay> {
protected:
    void saveClosingAt(const std::string& message) {
        bool closed = false;
        (*messages_)->whileShown = [&](const MessageRequest& shown) {
            if (closed || shown.text.toUtf8().rfind(message, 0) != 0) return;
            closed = true;
            CloseBy(GetParam(), recordWindow());
        };
        takeMessages();
        click(recordWindow(), RecordControls::SaveButton);
        (*messages_)->whileShown = nullptr;
        settle();
        EXPECT_TRUE(closed) << "no " << message;
        EXPECT_EQ(FindWindow("record"), nullptr);
    }
};

TEST_P(ClosedDuringSave, TheBookAndTheListHoldWhatTheSaveSaid) {
    prepare(BookFault::WriteLock);
    if (HasFatalFailure()) return;
    openRow(kShown);
    type(recordWindow(), RecordControls::MobileBox, "13912345678");
    ASSERT_TRUE(fault_->start());
    saveClosingAt("保存失败！");
    fault_->end();
    EXPECT_EQ(storedMobile(ContactName(kShown)), std::to_string(13600000000LL + kShown));
    expectListShowsTheFile();

    openRow(kShown);
    type(recordWindow(), RecordControls::MobileBox, "13912345678");
    saveClosingAt("保存成功！");
    EXPECT_EQ(storedMobile(ContactName(kShown)), "13912345678");
    expectListShowsTheFile();
    EXPECT_EQ(IntegrityCheck(book_), "ok");
    openRow(kShown);
    EXPECT_EQ(textOf(recordWindow(), RecordControls::MobileBox), "13912345678");
}

INSTANTIATE_TEST_SUITE_P(EveryWay, ClosedDuringSave, VARELO_EVERY_CLOSE_WAY);

}  // namespace
