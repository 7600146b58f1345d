#include "db_fixture.h"

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class RecordSetTest : public RecordSetOnBook {
protected:
    // Adds contacts (name, mobile) through the record set.
    void addContacts(std::initializer_list<std::pair<const char*, const char*>> contacts) {
        ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
        for (auto [name, mobile] : contacts) {
            ASSERT_TRUE(rs.AddNew());
            ASSERT_TRUE(rs.WriteText(T("姓名"), T(name)));
            ASSERT_TRUE(rs.WriteText(T("手机"), T(mobile)));
            ASSERT_TRUE(rs.Update());
        }
    }

    // The column emptied through the record set: the file holds NULL.
    void emptyAndExpectNull(const std::string& column) {
        ASSERT_TRUE(rs.WriteText(T(column), Text()));
        ASSERT_TRUE(rs.Update());
        EXPECT_EQ(RawValue(book.path(), "select typeof(" + column + ") from 通讯录"), "null");
    }
};

TEST_F(RecordSetTest, TheDeliveredFileHasTheStartingAccountAndTheContactFieldsInOrder) {
    ASSERT_TRUE(rs.OpenTable(UsersTable(), UsersByName()));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.FieldCount(), 3);
    EXPECT_EQ(rs.ReadText(T("用户名")).toUtf8(), "admin");
    EXPECT_EQ(rs.ReadText(1).toUtf8(), "123456");
    EXPECT_EQ(rs.FieldName(2).toUtf8(), "头像");
    Bytes avatar{1};
    EXPECT_TRUE(rs.ReadBytes(T("头像"), avatar));
    EXPECT_TRUE(avatar.empty());

    ASSERT_TRUE(rs.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(rs.FieldCount(), int(ContactFields().size()) + 1);
    for (int i = 1; i < rs.FieldCount(); ++i) EXPECT_EQ(rs.FieldName(i), ContactFields()[i - 1]) << i;
    EXPECT_EQ(rs.FieldName(1).toUtf8(), "姓名");
    EXPECT_EQ(rs.FieldName(2).toUtf8(), "手机");
    EXPECT_TRUE(rs.FieldName(rs.FieldCount()).empty());
    EXPECT_TRUE(rs.FieldName(-1).empty());
}

TEST_F(RecordSetTest, EmptyTableHasNoCurrentRow) {
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    EXPECT_TRUE(rs.IsOpen());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_FALSE(rs.MoveFirst());
    EXPECT_FALSE(rs.MoveNext());
    EXPECT_FALSE(rs.MoveTo(-1));
    EXPECT_FALSE(rs.MoveNext());  // not even from before the first row
    EXPECT_TRUE(rs.AtEnd());
    EXPECT_TRUE(rs.AtStart());
    Text v = T("old");
    EXPECT_FALSE(rs.ReadText(T("姓名"), v));
    EXPECT_TRUE(v.empty());
    EXPECT_FALSE(rs.WriteText(T("姓名"), T("x")));
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kNoCurrentRow);
}

TEST_F(RecordSetTest, AddNewStoresARowWithAnAutomaticKey) {
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(rs.AddNew());
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kNewRow);
    EXPECT_FALSE(rs.AtEnd());
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "");
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("张三")));
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "张三");
    ASSERT_TRUE(rs.WriteText(T("手机"), T("13800138000")));
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "0");  // nothing stored before Update
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kUnmodifiedRow);
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Position(), 0);
    EXPECT_EQ(rs.ReadText(0).toUtf8(), "1");
    EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13800138000");
    EXPECT_EQ(RawValue(book.path(), "select 姓名 || '/' || 手机 from 通讯录"), "张三/13800138000");
    // The key is numbered by the file, not written.
    EXPECT_FALSE(rs.WriteText(0, T("77")));
    EXPECT_FALSE(rs.WriteText(T("编号"), T("77")));
}

TEST_F(RecordSetTest, NamesSortInPinyinOrderAndTheFileStaysPlainSQLite) {
    addContacts(
        {{"张三", "1"}, {"李四", "2"}, {"王五", "3"}, {"阿明", "4"}, {"赵六", "5"}, {"Bob", "6"}, {"陈晨", "7"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    EXPECT_EQ(names(), (std::vector<std::string>{"Bob", "阿明", "陈晨", "李四", "王五", "张三", "赵六"}));
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("")), RecordSet::kSqlText));
    EXPECT_EQ(names().front(), "Bob");
    EXPECT_EQ(names().back(), "赵六");
    // Other SQLite tools read the file with their own collations.
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 order by 姓名"), "7");
    EXPECT_EQ(RawValue(book.path(), "select group_concat(sql) from sqlite_master").find("COLLATE"), std::string::npos);
}

TEST_F(RecordSetTest, SearchTextsAreSplicedSafely) {
    addContacts({{"O'Brien", "13900000001"}, {"张三", "13800138000"}, {"50% off", "13700000000"}, {"a_b", "1"}});
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("O'Brien")), RecordSet::kSqlText));
    EXPECT_EQ(names(), std::vector<std::string>{"O'Brien"});
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("'")), RecordSet::kSqlText));
    EXPECT_EQ(names(), std::vector<std::string>{"O'Brien"});
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("'; delete from 通讯录; --")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "4");
    // Percent and underscore are the pattern's wildcards, as in every like.
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("%")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 4);
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("_")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 4);
    ASSERT_TRUE(rs.Open(ContactSearchSql(T("138")), RecordSet::kSqlText));
    EXPECT_EQ(names(), std::vector<std::string>{"张三"});
    ASSERT_TRUE(rs.Open(ContactSearchSql(Text::fromBytes(std::string(10000, 'x'))), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 0);
    ASSERT_TRUE(rs.Open(DuplicateMobileSql(T("13800138000")), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_F(RecordSetTest, LongTextsAreStoredWhole) {
    Text big = Text::fromBytes(std::string(10000, 'y'));
    addContacts({{"a", "1"}});
    EXPECT_TRUE(rs.WriteText(T("备注"), big));
    EXPECT_TRUE(rs.Update());
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    EXPECT_EQ(rs.ReadText(T("备注")), big);
}

TEST_F(RecordSetTest, EmptyTextStoresNull) {
    addContacts({{"a", "1"}});
    ASSERT_TRUE(rs.WriteText(T("分组"), T("朋友")));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select 分组 from 通讯录"), "朋友");
    emptyAndExpectNull("分组");
}

TEST_F(RecordSetTest, BirthdayTakesTypedDatesAndRefusesOtherText) {
    addContacts({{"a", "1"}});
    for (auto [typed, stored] :
         std::vector<std::pair<const char*, const char*>>{{"1980-01-06", "1980-01-06 00:00:00"},
                                                          {"1980/1/6", "1980-01-06 00:00:00"},
                                                          {"2000-2-29 8:05", "2000-02-29 08:05:00"},
                                                          {"1999-12-31 23:59:58", "1999-12-31 23:59:58"}}) {
        ASSERT_TRUE(rs.WriteText(T("生日"), T(typed))) << typed;
        ASSERT_TRUE(rs.Update());
        EXPECT_EQ(rs.ReadText(T("生日")).toUtf8(), stored);
        EXPECT_EQ(RawValue(book.path(), "select 生日 from 通讯录"), stored);
    }
    for (const char* bad : {"abc", "1980-02-30", "1900-2-29", "1980-13-01", "80-1-6", "1980-01-06x", "1980-1/6",
                            "1980-01-06 25:00", "１９８０-01-06"}) {
        EXPECT_FALSE(rs.WriteText(T("生日"), T(bad))) << bad;
    }
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kUnmodifiedRow);
    EXPECT_FALSE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select 生日 from 通讯录"), "1999-12-31 23:59:58");
    emptyAndExpectNull("生日");
}

TEST_F(RecordSetTest, ValuesReadAsTextByTheirType) {
    ASSERT_TRUE(
        db.ExecuteSql(T("CREATE TABLE t (i INTEGER, r REAL, b BOOLEAN, d DATETIME, x TEXT, p BLOB, big INTEGER)")));
    ASSERT_TRUE(db.ExecuteSql(T("INSERT INTO t VALUES (-42, 3.5, 1, '1980-01-06', '中文', x'0102', 13800138000)")));
    ASSERT_TRUE(db.ExecuteSql(T("INSERT INTO t VALUES (NULL, NULL, 0, NULL, NULL, NULL, NULL)")));
    ASSERT_TRUE(rs.Open(T("select * from t order by rowid"), RecordSet::kSqlText));
    EXPECT_EQ(rs.ReadText(T("i")).toUtf8(), "-42");
    EXPECT_EQ(rs.ReadText(T("R")).toUtf8(), "3.50000000");  // names match in any case
    EXPECT_EQ(rs.ReadText(T("b")).toUtf8(), "TRUE");
    EXPECT_EQ(rs.ReadText(T("d")).toUtf8(), "1980-01-06 00:00:00");
    EXPECT_EQ(rs.ReadText(T("x")).toUtf8(), "中文");
    EXPECT_EQ(rs.ReadText(T("p")).toUtf8(), "[BLOB]");
    EXPECT_EQ(rs.ReadText(T("big")).toUtf8(), "13800138000");
    ASSERT_TRUE(rs.MoveNext());
    for (int i = 0; i < 7; ++i) {
        if (i != 2) {
            EXPECT_EQ(rs.ReadText(i).toUtf8(), "") << i;
        }
    }
    EXPECT_EQ(rs.ReadText(T("b")).toUtf8(), "FALSE");
    // Numbers in numeric columns; other text is refused.
    EXPECT_TRUE(rs.WriteText(T("i"), T("17")));
    EXPECT_FALSE(rs.WriteText(T("i"), T("seventeen")));
    EXPECT_TRUE(rs.WriteText(T("r"), T("2.25")));
    EXPECT_FALSE(rs.WriteText(T("r"), T("2,25")));
    EXPECT_TRUE(rs.WriteText(T("b"), T("TRUE")));
    EXPECT_TRUE(rs.Update());
    EXPECT_EQ(rs.ReadText(T("i")).toUtf8(), "17");
    EXPECT_EQ(rs.ReadText(T("r")).toUtf8(), "2.25000000");
    EXPECT_EQ(rs.ReadText(T("b")).toUtf8(), "TRUE");
    // Computed columns read, but cannot be written.
    ASSERT_TRUE(rs.Open(T("select count(*) as n from t"), RecordSet::kSqlText));
    EXPECT_EQ(rs.ReadText(T("n")).toUtf8(), "2");
    EXPECT_FALSE(rs.WriteText(T("n"), T("3")));
}

// 丄 is 0x81 0x41 and 乤 0x81 0x61: the second bytes look like "A" and "a",
// yet they are two different field names.
TEST_F(RecordSetTest, FieldNamesFoldOnlyOneByteLetters) {
    ASSERT_TRUE(db.ExecuteSql(T("CREATE TABLE t (乤 TEXT, 丄 TEXT, Ab丄 TEXT)")));
    ASSERT_TRUE(db.ExecuteSql(T("INSERT INTO t VALUES ('second a', 'second A', 'mixed')")));
    ASSERT_TRUE(rs.Open(T("select * from t"), RecordSet::kSqlText));
    EXPECT_EQ(rs.ReadText(T("丄")).toUtf8(), "second A");
    EXPECT_EQ(rs.ReadText(T("乤")).toUtf8(), "second a");
    EXPECT_EQ(rs.ReadText(T("aB丄")).toUtf8(), "mixed");
    Text v;
    EXPECT_FALSE(rs.ReadText(T("aB乤"), v));
    ASSERT_TRUE(rs.WriteText(T("丄"), T("written")));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select 丄 || '|' || 乤 from t"), "written|second a");
}

TEST_F(RecordSetTest, FieldReferencesOutsideTheSetFail) {
    addContacts({{"a", "1"}});
    Text v = T("old");
    EXPECT_FALSE(rs.ReadText(T("没有"), v));
    EXPECT_TRUE(v.empty());
    v = T("old");
    EXPECT_FALSE(rs.ReadText(rs.FieldCount(), v));
    EXPECT_TRUE(v.empty());
    EXPECT_FALSE(rs.ReadText(-1, v));
    v = T("old");
    EXPECT_FALSE(rs.ReadText(FieldRef(Value(true)), v));
    EXPECT_EQ(v.toUtf8(), "old");  // no field reference: the variable is left alone
    EXPECT_TRUE(rs.ReadText(FieldRef(Value(1.0)), v));
    EXPECT_EQ(v.toUtf8(), "a");
    EXPECT_FALSE(rs.WriteText(T("没有"), T("x")));
    EXPECT_FALSE(rs.WriteText(rs.FieldCount(), T("x")));
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kUnmodifiedRow);
    EXPECT_FALSE(rs.Update());  // nothing pending
    Bytes b{1, 2};
    EXPECT_FALSE(rs.ReadBytes(T("没有"), b));
    EXPECT_TRUE(b.empty());
}

TEST_F(RecordSetTest, WalkingPositionsAndEnds) {
    addContacts({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    EXPECT_EQ(rs.Position(), 0);
    EXPECT_FALSE(rs.AtStart());
    EXPECT_FALSE(rs.AtEnd());
    int moves = 0;
    for (int i = 0; i < rs.RecordCount(); ++i) {
        EXPECT_TRUE(rs.MoveNext());
        ++moves;
    }
    EXPECT_EQ(moves, 3);
    EXPECT_TRUE(rs.AtEnd());
    EXPECT_EQ(rs.Position(), RecordSet::kPastLast);
    Text v = T("old");
    EXPECT_FALSE(rs.ReadText(T("姓名"), v));
    EXPECT_TRUE(v.empty());
    EXPECT_FALSE(rs.MoveNext());

    ASSERT_TRUE(rs.MoveTo(1));
    int remembered = rs.Position();
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "b");
    ASSERT_TRUE(rs.MoveFirst());
    ASSERT_TRUE(rs.MoveTo(remembered));
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "b");

    // Past the end there is no current row, so a write cannot land on a wrong one.
    EXPECT_FALSE(rs.MoveTo(3));
    EXPECT_TRUE(rs.AtEnd());
    EXPECT_FALSE(rs.WriteText(T("姓名"), T("z")));
    EXPECT_FALSE(rs.MoveTo(-1));
    EXPECT_TRUE(rs.AtStart());
    EXPECT_EQ(rs.Position(), RecordSet::kBeforeFirst);
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.Position(), 0);
}

TEST_F(RecordSetTest, ChangesAreStoredByRowIdentity) {
    addContacts({{"张三", "1"}, {"李四", "2"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(rs.MoveTo(1));  // 张三 after 李四
    ASSERT_TRUE(rs.WriteText(T("手机"), T("13800138000")));
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kModifiedRow);
    EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13800138000");
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(rs.RecordStatus(), RecordSet::kUnmodifiedRow);
    EXPECT_EQ(RawValue(book.path(), "select 手机 from 通讯录 where 姓名='张三'"), "13800138000");
    EXPECT_EQ(RawValue(book.path(), "select 手机 from 通讯录 where 姓名='李四'"), "2");

    // A move stores the pending change first; Close drops it.
    ASSERT_TRUE(rs.WriteText(T("备注"), T("moved")));
    ASSERT_TRUE(rs.MoveFirst());
    EXPECT_EQ(RawValue(book.path(), "select 备注 from 通讯录 where 姓名='张三'"), "moved");
    ASSERT_TRUE(rs.WriteText(T("备注"), T("dropped")));
    rs.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_EQ(rs.RecordCount(), -1);
    EXPECT_EQ(rs.FieldCount(), -1);
    EXPECT_EQ(RawValue(book.path(), "select 备注 from 通讯录 where 姓名='李四'"), "NULL");

    // A row deleted behind the record set's back is not updated.
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ExecOnBook(book.path(), "delete from 通讯录 where 姓名='李四'");
    ASSERT_TRUE(rs.WriteText(T("备注"), T("lost")));
    EXPECT_FALSE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "1");
}

TEST_F(RecordSetTest, PhotosAreLongBinaryReadOnDemand) {
    Bytes photo(300 * 1024);
    for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<unsigned char>(i * 7);
    addContacts({{"a", "1"}, {"b", "2"}});
    ASSERT_TRUE(rs.MoveTo(0));
    ASSERT_TRUE(rs.WriteBytes(T("照片"), photo));
    Bytes pending;
    EXPECT_TRUE(rs.ReadBytes(T("照片"), pending));
    EXPECT_EQ(pending, photo);
    ASSERT_TRUE(rs.Update());
    EXPECT_FALSE(rs.WriteBytes(T("姓名"), photo));  // not a long binary column
    EXPECT_EQ(RawValue(book.path(), "select length(照片) from 通讯录 where 姓名='a'"), "307200");

    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    EXPECT_EQ(rs.ReadText(T("照片")).toUtf8(), "[BLOB]");
    Bytes read;
    EXPECT_TRUE(rs.ReadBytes(T("照片"), read));
    EXPECT_EQ(read, photo);
    EXPECT_FALSE(rs.ReadBytes(T("姓名"), read));  // text is no long binary
    EXPECT_TRUE(read.empty());
    ASSERT_TRUE(rs.MoveNext());
    read = {9};
    EXPECT_TRUE(rs.ReadBytes(T("照片"), read));  // none stored
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(rs.ReadText(T("照片")).toUtf8(), "");

    // Removing the photo stores null.
    ASSERT_TRUE(rs.MoveTo(0));
    ASSERT_TRUE(rs.WriteBytes(T("照片"), Bytes()));
    ASSERT_TRUE(rs.Update());
    EXPECT_EQ(RawValue(book.path(), "select typeof(照片) from 通讯录 where 姓名='a'"), "null");
}

TEST_F(RecordSetTest, DeleteOneRowAndAllRows) {
    addContacts({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(rs.MoveTo(1));
    EXPECT_TRUE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_FALSE(rs.Update());  // nothing pending
    EXPECT_EQ(rs.RecordCount(), 2);
    // The deleted row stays current until a move: nothing to read or write.
    Text value = T("old");
    EXPECT_FALSE(rs.ReadText(T("姓名"), value));
    EXPECT_TRUE(value.empty());
    EXPECT_FALSE(rs.WriteText(T("备注"), T("x")));
    EXPECT_FALSE(rs.AtEnd());
    EXPECT_FALSE(rs.Delete(RecordSet::kCurrentRow));
    // The next move goes to the row that followed it.
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "c");
    EXPECT_EQ(RawValue(book.path(), "select group_concat(姓名) from 通讯录"), "a,c");
    // Deleting the last row leaves it current; the next move is past the end.
    EXPECT_TRUE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_FALSE(rs.AtEnd());
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_TRUE(rs.AtEnd());
    ASSERT_TRUE(rs.MoveFirst());
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "a");
    ASSERT_TRUE(rs.AddNew());
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("c")));
    ASSERT_TRUE(rs.Update());
    EXPECT_FALSE(rs.Delete(2));  // no such scope
    EXPECT_EQ(rs.RecordCount(), 2);

    ASSERT_TRUE(rs.Open(ContactSearchSql(T("a")), RecordSet::kSqlText));
    EXPECT_FALSE(rs.Delete(RecordSet::kWholeTable));  // opened by SQL text: no table to empty
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "2");
    ASSERT_TRUE(rs.Open(T("通讯录"), RecordSet::kTableName));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_TRUE(rs.Delete(RecordSet::kWholeTable));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), "0");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户"), "1");
}

TEST_F(RecordSetTest, AWalkThatDeletesTheRowsOfOneGroupLeavesExactlyTheOthers) {
    // 10,000 contacts; group g holds runs of neighbours and the last row.
    ExecOnBook(book.path(),
               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 9999) "
               "INSERT INTO 通讯录 (姓名, 手机, 分组) SELECT printf('c%05d', i), printf('138%08d', i), "
               "CASE WHEN i % 5 < 2 OR i % 7 = 3 OR i = 9999 THEN 'g' ELSE 'h' END FROM n");
    const std::string others = RawValue(book.path(), "select count(*) from 通讯录 where 分组 = 'h'");
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_EQ(rs.RecordCount(), 10000);
    ASSERT_TRUE(db.BeginTrans());
    int deleted = 0;
    for (rs.MoveFirst(); !rs.AtEnd(); rs.MoveNext()) {
        if (rs.ReadText(T("分组")) == T("g")) {
            ASSERT_TRUE(rs.Delete(RecordSet::kCurrentRow)) << db.ErrorText().toUtf8();
            ++deleted;
        }
    }
    ASSERT_TRUE(db.CommitTrans()) << db.ErrorText().toUtf8();
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 where 分组 = 'g'"), "0");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录"), others);
    EXPECT_EQ(std::to_string(10000 - deleted), others);
    EXPECT_EQ(std::to_string(rs.RecordCount()), others);
}

TEST_F(RecordSetTest, AMoveWhoseSaveFailsKeepsTheEditAndSaysWhy) {
    addContacts({{"a", "1"}, {"b", "2"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    // Another program deletes the current row; an edit of it cannot be stored.
    ExecOnBook(book.path(), "delete from 通讯录 where 姓名='a'");
    ASSERT_TRUE(rs.WriteText(T("备注"), T("lost?")));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const bool moved = attempt == 0 ? rs.MoveNext() : attempt == 1 ? rs.MoveTo(1) : rs.MoveFirst();
        EXPECT_FALSE(moved) << attempt;
        EXPECT_EQ(rs.Position(), 0);
        EXPECT_EQ(rs.RecordStatus(), RecordSet::kModifiedRow);  // still pending
        EXPECT_EQ(rs.ReadText(T("备注")).toUtf8(), "lost?");
        EXPECT_NE(db.ErrorText().toUtf8().find("no longer exists"), std::string::npos) << db.ErrorText().toUtf8();
    }
    // A failed Update drops the edit; the row can then be left.
    EXPECT_FALSE(rs.Update());
    EXPECT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "b");
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 where 备注 is not null"), "0");

    // A move whose save succeeds stores it.
    ASSERT_TRUE(rs.WriteText(T("备注"), T("kept")));
    EXPECT_TRUE(rs.MoveFirst());
    EXPECT_EQ(RawValue(book.path(), "select 备注 from 通讯录 where 姓名='b'"), "kept");
}

TEST_F(RecordSetTest, LargeRealsReadWhole) {
    ExecOnBook(book.path(), "CREATE TABLE 数值 (值 REAL); INSERT INTO 数值 VALUES (1e70), (-1e300), (0.5)");
    ASSERT_TRUE(rs.Open(T("select * from 数值"), RecordSet::kSqlText));
    EXPECT_EQ(rs.ReadText(0).toUtf8(),
              "10000000000000000725314363815292351261583744096465219555182101554790400.00000000");
    ASSERT_TRUE(rs.MoveNext());
    const std::string huge = rs.ReadText(0).toUtf8();
    EXPECT_EQ(huge.size(), 1 + 301 + 9u);
    EXPECT_EQ(huge.substr(0, 4), "-100");
    ASSERT_TRUE(rs.MoveNext());
    EXPECT_EQ(rs.ReadText(0).toUtf8(), "0.50000000");
}

TEST_F(RecordSetTest, GroupedRowsAreReadOnly) {
    addContacts({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ASSERT_TRUE(db.ExecuteSql(T("update 通讯录 set 分组='g' where 姓名 in ('a','b')")));
    // One row per group stands for several contacts: no write may pick one of them.
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 group by 分组 order by 分组"), RecordSet::kSqlText))
        << boxes->lastText();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_FALSE(rs.WriteText(T("分组"), T("changed")));
    EXPECT_FALSE(rs.Delete(RecordSet::kCurrentRow));
    ASSERT_TRUE(rs.Open(T("select 分组 from 通讯录 Group  By 分组 Having count(*) > 1"), RecordSet::kSqlText))
        << boxes->lastText();
    EXPECT_EQ(rs.ReadText(T("分组")).toUtf8(), "g");
    EXPECT_FALSE(rs.WriteText(T("分组"), T("changed")));
    EXPECT_EQ(RawValue(book.path(), "select group_concat(ifnull(分组,'-')) from 通讯录"), "g,g,-");
    // The words inside a quoted text group nothing.
    ASSERT_TRUE(rs.Open(T("select * from 通讯录 where 姓名 <> 'group by' order by 姓名 ASC"), RecordSet::kSqlText));
    EXPECT_TRUE(rs.WriteText(T("备注"), T("ok")));
    EXPECT_TRUE(rs.Update());
}

TEST_F(RecordSetTest, DeleteDuringAddNewDropsOnlyTheNewRow) {
    addContacts({{"a", "1"}, {"b", "2"}});
    ASSERT_TRUE(rs.OpenTable(T("通讯录"), T("姓名 ASC")));
    ASSERT_TRUE(rs.MoveTo(1));
    ASSERT_TRUE(rs.AddNew());
    ASSERT_TRUE(rs.WriteText(T("姓名"), T("c")));
    EXPECT_TRUE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_FALSE(rs.Update());  // nothing left to store
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(RawValue(book.path(), "select group_concat(姓名) from (select 姓名 from 通讯录 order by 姓名)"), "a,b");
}

TEST_F(RecordSetTest, OpenFailuresShowTheProvidersMessage) {
    ASSERT_TRUE(rs.OpenTable(T("用户"), T("用户名 ASC")));
    EXPECT_FALSE(rs.Open(T("用户"), 3));
    EXPECT_TRUE(rs.IsOpen());  // an unknown kind changes nothing
    EXPECT_TRUE(boxes->shown.empty());

    EXPECT_FALSE(rs.OpenTable(T("通讯录"), Text()));
    EXPECT_FALSE(rs.IsOpen());
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->lastText(), "incomplete input");
    EXPECT_EQ(boxes->shown.back().flags & MessageStyle::kButtonsAndIconMask,
              MessageStyle::kOkOnly);  // a plain box with an OK button

    EXPECT_FALSE(rs.Open(T("select * from 没有这张表"), RecordSet::kSqlText));
    EXPECT_NE(boxes->lastText().find("no such table"), std::string::npos) << boxes->lastText();
    EXPECT_FALSE(rs.Open(T("delete from 用户"), RecordSet::kSqlText));
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 用户"), "1");
    EXPECT_EQ(boxes->shown.size(), 3u);

    RecordSet unattached;
    EXPECT_FALSE(unattached.Open(T("用户"), RecordSet::kTableName));
    EXPECT_FALSE(unattached.OpenTable(T("用户"), T("用户名 ASC")));
    EXPECT_FALSE(unattached.Delete(RecordSet::kWholeTable));
    EXPECT_EQ(boxes->shown.size(), 3u);

    // An empty source reopens the last one.
    ASSERT_TRUE(rs.Open(T("select * from 用户"), RecordSet::kSqlText));
    rs.Close();
    EXPECT_TRUE(rs.Open(Text(), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 1);
}

TEST_F(RecordSetTest, AWorkerThreadWritesThroughTheSharedConnection) {
    addContacts({});
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(
            db.ExecuteSql(T("INSERT INTO 通讯录 (姓名,手机) VALUES ('n" + std::to_string(i) + "','13800000000')")));
    std::atomic<bool> failed{false};
    std::thread worker([&] {
        RecordSet mine;
        mine.SetConnection(db);
        if (!mine.OpenTable(T("通讯录"), T("姓名 ASC"))) {
            failed = true;
            return;
        }
        for (int i = 0; i < mine.RecordCount(); ++i) {
            if (!mine.MoveTo(i) || mine.ReadText(T("手机")).empty() || !mine.WriteText(T("归属地"), T("北京 移动")) ||
                !mine.Update())
                failed = true;
        }
    });
    RecordSet ui;
    ui.SetConnection(db);
    for (int round = 0; round < 20; ++round) {
        if (!ui.Open(ContactSearchSql(T("n1")), RecordSet::kSqlText)) failed = true;
        if (!ui.OpenTable(T("用户"), T("用户名 ASC"))) failed = true;
    }
    worker.join();
    EXPECT_FALSE(failed);
    EXPECT_EQ(RawValue(book.path(), "select count(*) from 通讯录 where 归属地='北京 移动'"), "60");
}

}  // namespace
