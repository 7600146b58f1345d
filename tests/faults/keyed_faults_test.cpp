// The contact list's keyed cursor under real faults: another program holding
// the book (its write lock, or every lock so that not even a page can be
// read), a read-only book, a full disk. For each write the cursor offers
// (Update, AddNew, Delete) what it reports is what the file holds, a refusal
// says why, and afterwards every row the cursor reads is the file's row.

#include "faults/fault_support.h"
#include "support/address_book_copy.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace faults;

namespace {

enum class Write { Update, AddNew, Delete };

struct KeyedCase {
    const char* name;
    BookFault fault;
    Write write;
};

std::string CaseName(const ::testing::TestParamInfo<KeyedCase>& info) { return info.param.name; }

constexpr int kContacts = 300;  // more rows than one page of the cursor
constexpr int kTarget = 200;    // a row on a page not read before the fault

std::string ContactName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "联系人%03d", i);
    return name;
}

std::string Mobile(long long i) { return std::to_string(13800000000LL + i); }

class KeyedCursorFaults : public ::testing::TestWithParam<KeyedCase> {
protected:
    void SetUp() override {
        std::vector<ContactColumns> contacts;
        for (int i = 0; i < kContacts; ++i) contacts.push_back({{"姓名", ContactName(i)}, {"手机", Mobile(i)}});
        AddContacts(copy_.path(), contacts);
        fault_ = std::make_unique<FaultOnBook>(GetParam().fault, copy_.path());
        book_ = fault_->book();
        if (book_.empty()) GTEST_SKIP() << fault_->skipReason();
        ASSERT_TRUE(connection_.ConnectAccess(Text::fromUtf8(book_))) << connection_.ErrorText().toUtf8();
        // As the program opens its book: the name order kept in the file.
        KeepContactOrder(connection_);
        ASSERT_TRUE(cursor_.SetConnection(connection_));
        ASSERT_TRUE(cursor_.OpenTable(ContactsTable(), ContactsByName()));
        ASSERT_EQ(cursor_.RecordCount(), kContacts);
        ASSERT_EQ(cursor_.ReadTextAt(0, T("姓名")).toUtf8(), ContactName(0));
        target_ = cursor_.RowIdentity(kTarget);
    }

    void TearDown() override {
        cursor_.Close();
        connection_.CloseConnection();
    }

    // The write of the case, through the cursor as the windows use it. A
    // photo goes with the stored values, so that a full disk cannot take them.
    bool write(const std::string& newName, const std::string& newMobile) {
        const Bytes photo(64 * 1024, 0x5a);
        switch (GetParam().write) {
        case Write::Update:
            if (!cursor_.MoveTo(kTarget)) return false;
            cursor_.WriteText(T("手机"), Text::fromUtf8(newMobile));
            cursor_.WriteBytes(T("照片"), photo);
            return cursor_.Update();
        case Write::AddNew:
            if (!cursor_.AddNew()) return false;
            cursor_.WriteText(T("姓名"), Text::fromUtf8(newName));
            cursor_.WriteText(T("手机"), Text::fromUtf8(newMobile));
            cursor_.WriteBytes(T("照片"), photo);
            return cursor_.Update();
        case Write::Delete: return cursor_.MoveTo(kTarget) && cursor_.Delete(RecordSet::kCurrentRow);
        }
        return false;
    }

    // What the file holds after the write, as the write reported it.
    void expectFileAsReported(bool reported, const std::string& newName, const std::string& newMobile) {
        const auto stored = StoredNamesAndMobiles(book_);
        switch (GetParam().write) {
        case Write::Update:
            ASSERT_TRUE(stored.count(target_));
            EXPECT_EQ(stored.at(target_).second, reported ? newMobile : Mobile(kTarget));
            break;
        case Write::AddNew: EXPECT_EQ(HasContactNamed(book_, newName), reported); break;
        case Write::Delete: EXPECT_EQ(stored.count(target_) == 0, reported); break;
        }
        EXPECT_EQ(IntegrityCheck(book_), "ok");
    }

    // Every row of the cursor is a row of the file with the file's values,
    // and it has every row of the file.
    void expectCursorReadsTheFile() {
        const auto stored = StoredNamesAndMobiles(book_);
        ASSERT_EQ(cursor_.RecordCount(), static_cast<int>(stored.size()));
        std::set<long long> seen;
        for (int i = 0; i < cursor_.RecordCount(); ++i) {
            const long long id = cursor_.RowIdentity(i);
            ASSERT_TRUE(stored.count(id)) << "row " << i << " is not in the file";
            EXPECT_TRUE(seen.insert(id).second) << "row " << i << " twice";
            EXPECT_EQ(cursor_.ReadTextAt(i, T("姓名")).toUtf8(), stored.at(id).first) << "row " << i;
            EXPECT_EQ(cursor_.ReadTextAt(i, T("手机")).toUtf8(), stored.at(id).second) << "row " << i;
        }
    }

    AddressBookCopy copy_;
    std::unique_ptr<FaultOnBook> fault_;
    std::string book_;
    DBConnection connection_;
    RecordSet cursor_;
    long long target_ = -1;
};

TEST_P(KeyedCursorFaults, AWriteStoresWhatItReportsAndTheCursorReadsTheFile) {
    // A refusal must say why itself, not leave an older error standing.
    ASSERT_TRUE(connection_.ExecuteSql(T("SELECT 1")));
    ASSERT_EQ(connection_.ErrorText().toUtf8(), "");
    ASSERT_TRUE(fault_->start());
    const bool reported = write("新来的", "13900000001");
    const std::string why = connection_.ErrorText().toUtf8();
    fault_->end();
    EXPECT_FALSE(reported) << "the write never met the fault";
    if (!reported) {
        EXPECT_NE(why, "") << "a refused write says why";
    }
    expectFileAsReported(reported, "新来的", "13900000001");
    expectCursorReadsTheFile();

    // Once the fault has gone the same write goes through (a read-only book stays so).
    if (GetParam().fault == BookFault::ReadOnly) return;
    const bool again = write("又来的", "13900000002");
    EXPECT_TRUE(again) << connection_.ErrorText().toUtf8();
    expectFileAsReported(again, "又来的", "13900000002");
    expectCursorReadsTheFile();
}

INSTANTIATE_TEST_SUITE_P(EveryFaultAndWrite, KeyedCursorFaults,
                         ::testing::Values(KeyedCase{"UpdateUnderWriteLock", BookFault::WriteLock, Write::Update},
                                           KeyedCase{"AddNewUnderWriteLock", BookFault::WriteLock, Write::AddNew},
                                           KeyedCase{"DeleteUnderWriteLock", BookFault::WriteLock, Write::Delete},
                                           KeyedCase{"UpdateUnderEveryLock", BookFault::EveryLock, Write::Update},
                                           KeyedCase{"AddNewUnderEveryLock", BookFault::EveryLock, Write::AddNew},
                                           KeyedCase{"DeleteUnderEveryLock", BookFault::EveryLock, Write::Delete},
                                           KeyedCase{"UpdateOnReadOnlyBook", BookFault::ReadOnly, Write::Update},
                                           KeyedCase{"AddNewOnReadOnlyBook", BookFault::ReadOnly, Write::AddNew},
                                           KeyedCase{"DeleteOnReadOnlyBook", BookFault::ReadOnly, Write::Delete},
                                           KeyedCase{"UpdateOnFullDisk", BookFault::FullDisk, Write::Update},
                                           KeyedCase{"AddNewOnFullDisk", BookFault::FullDisk, Write::AddNew},
                                           KeyedCase{"DeleteOnFullDisk", BookFault::FullDisk, Write::Delete}),
                         CaseName);

// A page read while another program holds every lock fails as a failure
// (no empty values passed off as the contact's), is not kept, and reads the
// file once the other program has let go.
TEST(KeyedCursorPageRead, APageReadUnderAnotherProgramsLockFailsAndReadsTheFileAfterwards) {
    AddressBookCopy copy;
    std::vector<ContactColumns> contacts;
    for (int i = 0; i < kContacts; ++i) contacts.push_back({{"姓名", ContactName(i)}, {"手机", Mobile(i)}});
    AddContacts(copy.path(), contacts);
    DBConnection connection;
    ASSERT_TRUE(connection.ConnectAccess(copy.pathText()));
    KeepContactOrder(connection);
    RecordSet cursor;
    cursor.SetConnection(connection);
    ASSERT_TRUE(cursor.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(cursor.ReadTextAt(0, T("姓名")).toUtf8(), ContactName(0));
    {
        BookHolder holder(copy.path(), "exclusive", -1);
        ASSERT_TRUE(holder.held()) << holder.problem();
        ASSERT_TRUE(cursor.MoveTo(kTarget));
        Text name;
        const bool read = cursor.ReadText(T("姓名"), name);
        if (read) {
            EXPECT_EQ(name.toUtf8(), ContactName(kTarget));
        } else {
            EXPECT_NE(connection.ErrorText().toUtf8(), "") << "a failed read says why";
        }
        ASSERT_TRUE(holder.waitReleased()) << holder.problem();
    }
    EXPECT_EQ(cursor.ReadText(T("姓名")).toUtf8(), ContactName(kTarget));
    EXPECT_EQ(cursor.ReadTextAt(kTarget + 1, T("手机")).toUtf8(), Mobile(kTarget + 1));
    connection.CloseConnection();
}

}  // namespace
