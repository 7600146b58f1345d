// The record set over a plain "select * from <table> ..." reads row
// identities at the open and values a page at a time. These tests hold it to
// the statement itself, run through the bare SQLite API on the same file, and
// to the file's own values after writes through it and behind its back.

#include "db_fixture.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/detail/name_order.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct RawRow {
    long long id = 0;
    std::string name, mobile;
    bool operator==(const RawRow&) const = default;
};

std::string columnText(sqlite3_stmt* st, int i) {
    const unsigned char* p = sqlite3_column_text(st, i);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st, i)) : std::string();
}

// The bare API's reading of the same file: the statement with the program's
// name ordering registered, as every connection of the program has it.
class RawBook {
public:
    explicit RawBook(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        dbdetail::RegisterNameOrder(db_);
    }
    ~RawBook() { sqlite3_close(db_); }

    // 编号, 姓名, 手机 of every row the statement gives, in its order.
    std::vector<RawRow> rows(const std::string& sql) {
        std::vector<RawRow> out;
        sqlite3_stmt* st = nullptr;
        const std::string text = dbdetail::WithNameOrdering(sql);
        EXPECT_EQ(sqlite3_prepare_v2(db_, text.c_str(), int(text.size()), &st, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db_);
        while (sqlite3_step(st) == SQLITE_ROW)
            out.push_back({sqlite3_column_int64(st, 0), columnText(st, 1), columnText(st, 2)});
        sqlite3_finalize(st);
        return out;
    }

    // 姓名, 手机 of one row by its identity; false when the file has no such row.
    bool row(long long id, RawRow& out) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "select 编号, 姓名, 手机 from 通讯录 where rowid = ?", -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, id);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        if (found) out = {sqlite3_column_int64(st, 0), columnText(st, 1), columnText(st, 2)};
        sqlite3_finalize(st);
        return found;
    }

private:
    sqlite3* db_ = nullptr;
};

class KeysetTest : public RecordSetOnBook {
protected:
    // What the record set gives, read without moving (ReadTextAt): runs of
    // 50 rows in a random order, jumping between pages as a scrolled list does.
    std::vector<RawRow> readAt(std::mt19937& random) {
        const int count = rs.RecordCount();
        std::vector<int> runs;
        for (int i = 0; i < count; i += 50) runs.push_back(i);
        std::shuffle(runs.begin(), runs.end(), random);
        std::vector<RawRow> out(count);
        for (int run : runs)
            for (int i = run; i < std::min(count, run + 50); ++i)
                out[i] = {rs.RowIdentity(i), rs.ReadTextAt(i, T("姓名")).toUtf8(),
                          rs.ReadTextAt(i, T("手机")).toUtf8()};
        return out;
    }

    // What the record set gives, walked from the first row.
    std::vector<RawRow> walked() {
        std::vector<RawRow> out;
        for (rs.MoveFirst(); !rs.AtEnd(); rs.MoveNext())
            out.push_back({std::stoll(rs.ReadText(0).toUtf8()), rs.ReadText(T("姓名")).toUtf8(),
                           rs.ReadText(T("手机")).toUtf8()});
        return out;
    }
};

const std::vector<std::string> kNameParts{"王", "李", "张", "刘",  "陈",    "佟", "晏", "瞿",  "張", "伟",
                                          "芳", "小", "明", "Bob", "alice", "7",  "O'", "50%", "a_b"};

std::string randomName(std::mt19937& random) {
    std::string name;
    for (int n = 1 + int(random() % 3); n > 0; --n) name += kNameParts[random() % kNameParts.size()];
    return name;
}

std::string randomDigits(std::mt19937& random, int n) {
    std::string s;
    while (n-- > 0) s += char('0' + random() % 10);
    return s;
}

// A search text as a user might type it: part of a name, of a number or of
// the initials, nothing, a wildcard or a quote, or a very long text.
Text randomSearch(std::mt19937& random, const std::vector<RawRow>& rows) {
    const RawRow& some = rows[random() % rows.size()];
    switch (random() % 9) {
    case 0: {
        std::vector<std::string> parts{"", "%", "_", "'", "''", "%'%", "王%李", "a_", "\"", "[", "\\"};
        return T(parts[random() % parts.size()]);
    }
    case 1: return Text::fromBytes(std::string(10000, 'x'));
    case 2: return T(some.mobile.substr(random() % 8, 1 + random() % 4));
    case 3: return T(std::string(1, char('a' + random() % 26)));
    case 4: return T(randomDigits(random, 1 + int(random() % 2)));
    default: {
        Text name = T(some.name);
        // A whole character or two of the name (GBK: two bytes a Chinese one).
        const std::string bytes = name.bytes();
        std::size_t from = 0;
        if (bytes.size() > 2 && random() % 2) from = static_cast<unsigned char>(bytes[0]) >= 0x80 ? 2 : 1;
        std::size_t len = std::min<std::size_t>(bytes.size() - from, 1 + random() % 4);
        if (from + len < bytes.size() && static_cast<unsigned char>(bytes[from + len - 1]) >= 0x80 && len % 2) ++len;
        return Text::fromBytes(bytes.substr(from, len));
    }
    }
}

TEST_F(KeysetTest, EverySearchYieldsTheStatementsRowsInItsOrderAlsoAfterWritesThroughTheCursor) {
    std::mt19937 random(1309);
    // 3,000 contacts, many sharing a name, so that results span many pages and ties are common.
    {
        std::string inserts = "BEGIN;";
        for (int i = 0; i < 3000; ++i) {
            std::string name = randomName(random);
            std::string quoted;
            for (char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
            std::string initials(1 + random() % 3, 'a');
            for (char& c : initials) c = char('a' + random() % 26);
            inserts += "INSERT INTO 通讯录 (姓名, 手机, 首字母) VALUES ('" + quoted + "', '1" +
                       randomDigits(random, 10) + "', '" + initials + "');";
        }
        ExecOnBook(book.path(), inserts + "COMMIT;");
    }
    RawBook raw(book.path());
    std::vector<RawRow> all = raw.rows(ContactSearchSql(Text()).toUtf8());
    ASSERT_EQ(all.size(), 3000u);

    auto checkSearches = [&](int searches, const char* when) {
        for (int s = 0; s < searches; ++s) {
            const Text search = randomSearch(random, all);
            const std::string sql = ContactSearchSql(search).toUtf8();
            ASSERT_TRUE(rs.Open(ContactSearchSql(search), 1)) << boxes->lastText();
            const std::vector<RawRow> expected = raw.rows(sql);
            ASSERT_EQ(rs.RecordCount(), int(expected.size())) << when << ": " << sql.substr(0, 200);
            EXPECT_TRUE(readAt(random) == expected) << when << ": " << sql.substr(0, 200);
            if (s % 4 == 0) {
                EXPECT_TRUE(walked() == expected) << when << ": " << sql.substr(0, 200);
            }
        }
    };
    checkSearches(60, "before any write");

    // Random writes through one open cursor over every contact: its rows then
    // read exactly the file's rows of the same identities, in the open's order
    // with deleted rows taken out and added rows at the end.
    ASSERT_TRUE(rs.Open(ContactSearchSql(Text()), 1));
    std::vector<long long> ids;
    for (const auto& r : all) ids.push_back(r.id);
    ASSERT_TRUE(db.BeginTrans());  // one write to the disk for all of them
    for (int op = 0; op < 400; ++op) {
        const int at = int(random() % ids.size());
        switch (random() % 3) {
        case 0:
            ASSERT_TRUE(rs.MoveTo(at));
            ASSERT_TRUE(rs.WriteText(T("姓名"), T(randomName(random))));
            if (random() % 2) {
                ASSERT_TRUE(rs.WriteText(T("手机"), T("139" + randomDigits(random, 8))));
            }
            ASSERT_TRUE(rs.Update()) << db.ErrorText().toUtf8();
            break;
        case 1:
            ASSERT_TRUE(rs.MoveTo(at));
            ASSERT_TRUE(rs.Delete(1)) << db.ErrorText().toUtf8();
            ids.erase(ids.begin() + at);
            break;
        default:
            ASSERT_TRUE(rs.AddNew());
            ASSERT_TRUE(rs.WriteText(T("姓名"), T(randomName(random))));
            ASSERT_TRUE(rs.WriteText(T("手机"), T("137" + randomDigits(random, 8))));
            ASSERT_TRUE(rs.Update()) << db.ErrorText().toUtf8();
            ids.push_back(std::stoll(rs.ReadText(0).toUtf8()));
            EXPECT_EQ(rs.Position(), int(ids.size()) - 1);
            break;
        }
    }
    ASSERT_TRUE(db.CommitTrans()) << db.ErrorText().toUtf8();
    ASSERT_EQ(rs.RecordCount(), int(ids.size()));
    const std::vector<RawRow> afterWrites = readAt(random);
    for (int i = 0; i < int(ids.size()); ++i) {
        RawRow inFile;
        ASSERT_TRUE(raw.row(ids[i], inFile)) << i;
        EXPECT_EQ(afterWrites[i], inFile) << i;
    }
    all = raw.rows(ContactSearchSql(Text()).toUtf8());
    checkSearches(40, "after writes");
}

TEST_F(KeysetTest, RowsDeletedOrChangedBehindTheCursorKeepTheirPlaces) {
    ExecOnBook(book.path(),
               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 599) "
               "INSERT INTO 通讯录 (姓名, 手机) SELECT printf('c%04d', i), printf('138%08d', i) FROM n");
    ASSERT_TRUE(rs.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(rs.RecordCount(), 600);
    // Another program deletes rows on several pages and renames one, before the cursor reads them.
    ExecOnBook(book.path(),
               "delete from 通讯录 where 姓名 in ('c0005', 'c0300', 'c0301', 'c0599');"
               "update 通讯录 set 手机 = '13900000000' where 姓名 = 'c0400'");
    EXPECT_EQ(rs.RecordCount(), 600);
    int gone = 0;
    for (int i = 0; i < 600; ++i) {
        ASSERT_TRUE(rs.MoveTo(i));
        EXPECT_EQ(rs.Position(), i);
        const bool deleted = i == 5 || i == 300 || i == 301 || i == 599;
        Text name = T("old");
        EXPECT_EQ(rs.ReadText(T("姓名"), name), !deleted) << i;
        if (deleted) {
            ++gone;
            EXPECT_TRUE(name.empty());
            EXPECT_TRUE(rs.ReadTextAt(i, T("姓名")).empty());
        } else {
            char expected[8];
            std::snprintf(expected, sizeof expected, "c%04d", i);
            EXPECT_EQ(name.toUtf8(), expected);
            EXPECT_EQ(rs.ReadTextAt(i, T("姓名")).toUtf8(), expected);
        }
    }
    EXPECT_EQ(gone, 4);
    ASSERT_TRUE(rs.MoveTo(400));
    EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13900000000");

    // A gone row cannot be changed, deleted or read as a photo; the reason says so.
    ASSERT_TRUE(rs.MoveTo(300));
    Bytes photo{1};
    EXPECT_FALSE(rs.ReadBytes(T("照片"), photo));
    ASSERT_TRUE(rs.WriteText(T("备注"), T("lost")));
    EXPECT_FALSE(rs.Update());
    EXPECT_NE(db.ErrorText().toUtf8().find("no longer exists"), std::string::npos) << db.ErrorText().toUtf8();
    EXPECT_FALSE(rs.Delete(1));
    EXPECT_NE(db.ErrorText().toUtf8().find("no longer exists"), std::string::npos) << db.ErrorText().toUtf8();
    EXPECT_EQ(rs.RecordCount(), 600);
    // The rows around it are untouched.
    ASSERT_TRUE(rs.MoveNext());
    Text name;
    EXPECT_FALSE(rs.ReadText(T("姓名"), name));
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "c0302");
    ASSERT_TRUE(rs.WriteText(T("备注"), T("kept")));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select group_concat(姓名) from 通讯录 where 备注 is not null"), "c0302");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "596");
}

TEST_F(KeysetTest, ReadingARecordByNumberLeavesTheCursorAndItsEditAlone) {
    ExecOnBook(book.path(),
               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 299) "
               "INSERT INTO 通讯录 (姓名, 手机) SELECT printf('c%04d', i), printf('138%08d', i) FROM n");
    ASSERT_TRUE(rs.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_TRUE(rs.MoveTo(7));
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("pending")));
    EXPECT_EQ(rs.ReadTextAt(7, T("姓名")).toUtf8(), "c0007");  // what is stored, not the pending edit
    EXPECT_EQ(rs.ReadTextAt(299, 2).toUtf8(), "13800000299");
    EXPECT_EQ(rs.ReadTextAt(0, T("姓名")).toUtf8(), "c0000");
    EXPECT_TRUE(rs.ReadTextAt(300, T("姓名")).empty());
    EXPECT_TRUE(rs.ReadTextAt(-1, T("姓名")).empty());
    EXPECT_TRUE(rs.ReadTextAt(3, T("没有")).empty());
    EXPECT_EQ(rs.RowIdentity(299), std::stoll(RawValue(book.path(), "select rowid from 通讯录 where 姓名 = 'c0299'")));
    EXPECT_EQ(rs.RowIdentity(300), -1);
    EXPECT_EQ(rs.Position(), 7);
    EXPECT_EQ(rs.RecordStatus(), 2);
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "pending");
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(rs.ReadTextAt(7, T("姓名")).toUtf8(), "pending");
    // A deleted record gives its place to the next one, for ReadTextAt too.
    ASSERT_TRUE(rs.MoveTo(8));
    ASSERT_TRUE(rs.Delete(1));
    EXPECT_EQ(rs.ReadTextAt(8, T("姓名")).toUtf8(), "c0009");
    EXPECT_EQ(rs.RecordCount(), 299);

    // Results read whole at the open (several selects joined) answer the same way, and stay read-only.
    ASSERT_TRUE(
        rs.Open(T("select * from 通讯录 where 姓名 = 'c0001' union all select * from 通讯录 where 姓名 = 'c0002'"), 1))
        << boxes->lastText();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.ReadTextAt(1, T("姓名")).toUtf8(), "c0002");
    EXPECT_EQ(rs.RowIdentity(1), -1);
    EXPECT_FALSE(rs.WriteText(T("备注"), T("x")));
    rs.Close();
    EXPECT_TRUE(rs.ReadTextAt(0, T("姓名")).empty());
    EXPECT_EQ(rs.RowIdentity(0), -1);
}

}  // namespace
