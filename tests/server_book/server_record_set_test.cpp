#include "server_book_fixture.h"

#include "services/db/record_set.h"

namespace {

// A server book, created by the program, with two connections to it: two
// desktops working on one book.
class ServerBook : public ServerBookFixture {
protected:
    void SetUp() override {
        ServerBookFixture::SetUp();
        ASSERT_TRUE(connect(second)) << second.ErrorText().toUtf8();
    }

    // Opens the contact with the given key on a connection and reads it, as
    // the record window does.
    static void openContact(RecordSet& contact, DBConnection& book, const std::string& key) {
        ASSERT_TRUE(contact.SetConnection(book));
        ASSERT_TRUE(contact.Open(ContactByKeySql(Text::fromUtf8(key)), RecordSet::kSqlText));
        ASSERT_EQ(contact.RecordCount(), 1);
        ASSERT_TRUE(contact.MoveTo(0));
        EXPECT_FALSE(contact.ReadText(T("姓名")).empty());
    }

    DBConnection& first = book;
    DBConnection second;
};

}  // namespace

// A record set adds, reads, changes and deletes contacts on the server as on
// the book file: the key is the row's identity, the date and the photo
// arrive as the server stores them, and a photo is read only when asked for.
TEST_F(ServerBook, RecordSetAddsReadsChangesAndDeletesByKey) {
    RecordSet contacts;
    ASSERT_TRUE(contacts.SetConnection(first));
    ASSERT_TRUE(contacts.OpenTable(ContactsTable(), ContactsByName()));
    EXPECT_EQ(contacts.RecordCount(), 0);
    const Bytes photo = {'B', 'M', 0, 1, 2, 0xFF, '\'', '\\'};
    for (const char* name : {"王五", "张三", "李四"}) {
        ASSERT_TRUE(contacts.AddNew());
        ASSERT_TRUE(contacts.WriteText(T("姓名"), T(name)));
        ASSERT_TRUE(contacts.WriteText(T("手机"), T("13800000000")));
        ASSERT_TRUE(contacts.WriteText(T("生日"), T("1990-02-03")));
        if (std::string(name) == "张三") ASSERT_TRUE(contacts.WriteBytes(T("照片"), photo));
        ASSERT_TRUE(contacts.Update()) << contacts.RecordCount() << first.ErrorText().toUtf8();
        EXPECT_GT(contacts.RowIdentity(contacts.Position()), 0);
        EXPECT_EQ(contacts.ReadText(T("姓名")), T(name));
    }
    EXPECT_EQ(db.psql("select 姓名, 生日, encode(照片, 'hex') from 通讯录 where 照片 is not null"),
              "张三|1990-02-03 00:00:00|424d000102ff275c");

    // Opened again: the keys in name order, the values read when asked for.
    ASSERT_TRUE(contacts.OpenTable(ContactsTable(), ContactsByName()));
    ASSERT_EQ(contacts.RecordCount(), 3);
    EXPECT_EQ(contacts.ReadTextAt(0, T("姓名")), T("李四"));
    EXPECT_EQ(contacts.ReadTextAt(1, T("姓名")), T("王五"));
    EXPECT_EQ(contacts.ReadTextAt(2, T("姓名")), T("张三"));
    EXPECT_EQ(contacts.RowIdentity(2), std::stoll(db.psql("select 编号 from 通讯录 where 姓名 = '张三'")));
    ASSERT_TRUE(contacts.MoveTo(2));
    EXPECT_EQ(contacts.ReadText(T("生日")), T("1990-02-03 00:00:00"));
    EXPECT_EQ(contacts.ReadText(T("照片")), T("[BLOB]"));
    Bytes read;
    ASSERT_TRUE(contacts.ReadBytes(T("照片"), read));
    EXPECT_EQ(read, photo);
    EXPECT_FALSE(contacts.WriteText(T("编号"), T("99")));

    ASSERT_TRUE(contacts.WriteText(T("手机"), T("13911112222")));
    ASSERT_TRUE(contacts.Update()) << first.ErrorText().toUtf8();
    EXPECT_EQ(contacts.LastConflict(), RecordSet::RowConflict::kNone);
    EXPECT_EQ(db.psql("select 手机 from 通讯录 where 姓名 = '张三'"), "13911112222");
    // Stored again from the row as the server now holds it: a second change goes through.
    ASSERT_TRUE(contacts.WriteText(T("备注"), T("第二次")));
    ASSERT_TRUE(contacts.Update()) << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select 手机, 备注 from 通讯录 where 姓名 = '张三'"), "13911112222|第二次");

    ASSERT_TRUE(contacts.MoveTo(0));
    ASSERT_TRUE(contacts.Delete(RecordSet::kCurrentRow)) << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select string_agg(姓名, ',' order by 编号) from 通讯录"), "王五,张三");
}

// Two desktops edit the same contact: the later save of a row that changed
// since it was read is refused, the stored row and the typed values stay as
// they are; a contact deleted elsewhere is reported, not recreated.
TEST_F(ServerBook, AChangeOfARowChangedOrDeletedElsewhereIsRefused) {
    ASSERT_TRUE(first.ExecuteSql(T("insert into 通讯录 (姓名, 手机) values ('张三', '1'), ('李四', '2')")));
    const std::string zhang = db.psql("select 编号 from 通讯录 where 姓名 = '张三'");
    const std::string li = db.psql("select 编号 from 通讯录 where 姓名 = '李四'");
    RecordSet mine, theirs;
    openContact(mine, first, zhang);
    openContact(theirs, second, zhang);

    ASSERT_TRUE(theirs.WriteText(T("手机"), T("13900000001")));
    ASSERT_TRUE(theirs.Update()) << second.ErrorText().toUtf8();
    ASSERT_TRUE(mine.WriteText(T("手机"), T("13800000002")));
    ASSERT_TRUE(mine.WriteText(T("备注"), T("我的")));
    EXPECT_FALSE(mine.Update());
    EXPECT_EQ(mine.LastConflict(), RecordSet::RowConflict::kChangedElsewhere);
    EXPECT_NE(first.ErrorText().toUtf8().find("changed by another user"), std::string::npos)
        << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select 手机, 备注 is null from 通讯录 where 编号 = " + zhang), "13900000001|t");
    // The typed values are kept, pending.
    EXPECT_EQ(mine.RecordStatus(), RecordSet::kModifiedRow);
    EXPECT_EQ(mine.ReadText(T("手机")), T("13800000002"));
    EXPECT_EQ(mine.ReadText(T("备注")), T("我的"));
    // Read again, the row is current: the kept values are stored over it.
    ASSERT_TRUE(mine.RereadRecord(0));
    ASSERT_TRUE(mine.Update()) << first.ErrorText().toUtf8();
    EXPECT_EQ(mine.LastConflict(), RecordSet::RowConflict::kNone);
    EXPECT_EQ(db.psql("select 手机, 备注 from 通讯录 where 编号 = " + zhang), "13800000002|我的");

    // A delete of a row changed since it was read is refused as well.
    EXPECT_FALSE(theirs.Delete(RecordSet::kCurrentRow));
    EXPECT_EQ(theirs.LastConflict(), RecordSet::RowConflict::kChangedElsewhere);
    EXPECT_EQ(db.psql("select count(*) from 通讯录 where 编号 = " + zhang), "1");

    // Deleted elsewhere: the change is refused and nothing is recreated.
    RecordSet other;
    openContact(other, second, li);
    openContact(mine, first, li);
    ASSERT_TRUE(other.Delete(RecordSet::kCurrentRow)) << second.ErrorText().toUtf8();
    ASSERT_TRUE(mine.WriteText(T("手机"), T("3")));
    EXPECT_FALSE(mine.Update());
    EXPECT_EQ(mine.LastConflict(), RecordSet::RowConflict::kDeletedElsewhere);
    EXPECT_NE(first.ErrorText().toUtf8().find("no longer exists"), std::string::npos) << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select count(*) from 通讯录 where 姓名 = '李四' or 手机 = '3'"), "0");
}

// A transaction's writes are stored together at the commit or dropped at the
// rollback; one that fails inside it leaves nothing half stored, and the
// connection is ready for the next.
TEST_F(ServerBook, TransactionsStoreTogetherOrNotAtAll) {
    EXPECT_FALSE(first.CommitTrans());
    ASSERT_TRUE(first.BeginTrans()) << first.ErrorText().toUtf8();
    EXPECT_FALSE(first.BeginTrans());
    ASSERT_TRUE(first.ExecuteSql(T("insert into 通讯录 (姓名) values ('甲')")));
    EXPECT_EQ(db.psql("select count(*) from 通讯录"), "0");  // not yet seen by another connection
    ASSERT_TRUE(first.CommitTrans()) << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select count(*) from 通讯录"), "1");

    ASSERT_TRUE(first.BeginTrans());
    ASSERT_TRUE(first.ExecuteSql(T("insert into 通讯录 (姓名) values ('乙')")));
    ASSERT_TRUE(first.RollbackTrans());
    EXPECT_EQ(db.psql("select count(*) from 通讯录"), "1");

    ASSERT_TRUE(first.BeginTrans());
    ASSERT_TRUE(first.ExecuteSql(T("insert into 通讯录 (姓名) values ('丙')")));
    EXPECT_FALSE(first.ExecuteSql(T("insert into 没有的表 values (1)")));
    EXPECT_FALSE(first.CommitTrans());
    EXPECT_NE(first.ErrorText().toUtf8().find("没有的表"), std::string::npos) << first.ErrorText().toUtf8();
    EXPECT_EQ(db.psql("select count(*) from 通讯录"), "1");
    // Autocommit again: a single write is stored at once.
    ASSERT_TRUE(first.ExecuteSql(T("insert into 通讯录 (姓名) values ('丁')")));
    EXPECT_EQ(db.psql("select string_agg(姓名, ',' order by 编号) from 通讯录"), "甲,丁");
}
