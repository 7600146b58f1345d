// CSV export and import: UTF-8 with a byte order mark and RFC 4180 quoting,
// read back by Python's csv module; this program's own layout, Google
// Contacts and Outlook headers, GBK files; and the bad files.

#include "transfer/csv.h"
#include "transfer/exchange.h"
#include "transfer/exchange_support.h"

#include "contacts/initials.h"

#include <QJsonArray>

namespace {

class CsvTest : public ExchangeTest {
protected:
    ExchangeReport import(const std::string& path) {
        return ImportContactsFile(connection_, path, ExchangeFormat::Csv);
    }
    ExchangeReport importText(const std::string& text) {
        WriteFileBytes(file("in.csv"), text);
        return import(file("in.csv"));
    }
    ExchangeReport exportAll(const std::string& path) {
        return ExportContactsFile(connection_, Text::fromUtf8("select * from 通讯录 order by 编号"), path,
                                  ExchangeFormat::Csv);
    }
};

const char* const kCsvReader = R"(
import csv, json, sys
with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    json.dump(list(csv.reader(f)), sys.stdout, ensure_ascii=False)
)";

ContactColumns Awkward(int i) {
    const std::string name = "张三" + std::to_string(i);
    return {{"姓名", name},
            {"手机", std::to_string(13800000000LL + i)},
            {"首字母", NameInitials(Text::fromUtf8(name), 3).toUtf8()},
            {"QQ", "10001"},
            {"邮箱", "a@example.com"},
            {"分组", "同学,朋友"},
            {"地址", "北京市\"海淀区\""},
            {"生日", "1980-01-06 00:00:00"},
            {"备注", "第一行\r\n第二行, 还有 \"引号\""},
            {"性别", "男"}};
}

TEST_F(CsvTest, ExportIsUtf8WithAMarkAndReadsBackInPythonsCsv) {
    AddContacts(book_.path(), {Awkward(1), Awkward(2)});
    const ExchangeReport report = exportAll(file("out.csv"));
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.message().toUtf8(), "共导出 2 条记录");
    EXPECT_EQ(FileBytes(file("out.csv")).substr(0, 3), "\xEF\xBB\xBF");

    const QJsonArray rows =
        QJsonDocument::fromJson(QByteArray::fromStdString(RunPython({"-c", kCsvReader, file("out.csv")}))).array();
    ASSERT_EQ(rows.size(), 3);
    std::vector<std::string> header;
    for (const auto& h : rows[0].toArray()) header.push_back(h.toString().toStdString());
    EXPECT_EQ(header, (std::vector<std::string>{"姓名", "手机", "首字母", "手机备", "QQ", "QQ备", "邮箱", "分组",
                                                "座机", "分机", "地址", "籍贯", "生日", "备注", "归属地", "性别"}));
    const QJsonArray first = rows[1].toArray();
    EXPECT_EQ(first[0].toString().toStdString(), "张三1");
    EXPECT_EQ(first[7].toString().toStdString(), "同学,朋友");
    EXPECT_EQ(first[10].toString().toStdString(), "北京市\"海淀区\"");
    EXPECT_EQ(first[12].toString().toStdString(), "1980-01-06");
    EXPECT_EQ(first[13].toString().toStdString(), "第一行\r\n第二行, 还有 \"引号\"");
}

TEST_F(CsvTest, TheExportComesBackUnchangedIntoAnEmptyBook) {
    std::vector<ContactColumns> contacts;
    for (int i = 0; i < 300; ++i) contacts.push_back(Awkward(i));
    AddContacts(book_.path(), contacts);
    const auto before = stored();
    ASSERT_TRUE(exportAll(file("all.csv")).ok);
    ExecOnBook(book_.path(), "delete from 通讯录");
    const ExchangeReport report = import(file("all.csv"));
    EXPECT_EQ(report.message().toUtf8(), "共 300 条记录\r\n已存在 0 条记录\r\n成功添加 300 条记录");
    ExpectSameContactsButKeys(before, stored());
}

TEST_F(CsvTest, GoogleAndOutlookHeadersAreMappedOntoTheColumns) {
    struct Dialect {
        const char* program;
        std::string file;
        ContactColumns columns;
    };
    const Dialect dialects[] = {
        {"Google Contacts",
         "Name,Given Name,Family Name,Birthday,Gender,Notes,Group Membership,E-mail 1 - Type,E-mail 1 - Value,"
         "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Formatted,IM 1 - Service,IM 1 - "
         "Value\r\n"
         "王小明,小明,王,1985-03-04,male,备注,* myContacts ::: 同事,* Work,w@example.com,Mobile,+86 139 0000 1111 ::: "
         "13900002222,Work,010-88889999,\"北京市朝阳区\nXX路\",QQ,12345\r\n",
         {{"姓名", "王小明"},
          {"手机", "13900001111"},
          {"手机备", "13900002222"},
          {"座机", "010-88889999"},
          {"邮箱", "w@example.com"},
          {"分组", "同事"},
          {"地址", "北京市朝阳区\r\nXX路"},
          {"性别", "男"},
          {"QQ", "12345"},
          {"首字母", "wxm"}}},
        // In GBK without a byte order mark.
        {"Outlook",
         Text::fromUtf8("First Name,Middle Name,Last Name,Mobile Phone,Business Phone,Business Fax,E-mail Address,"
                        "Home Street,Home City,Birthday,Notes,Categories\r\n"
                        "Lei,,Li,13700001111,021-1234 x56,021-9999,l@example.com,1 Main St,Shanghai,3/4/1985,"
                        "笔记,VIP;Friends\r\n")
             .bytes(),
         {{"姓名", "Lei Li"},
          {"手机", "13700001111"},
          {"座机", "021-1234"},
          {"分机", "56"},
          {"地址", "1 Main St, Shanghai"},
          {"备注", "笔记\r\n传真：021-9999"},
          {"分组", "VIP"}}},
    };
    for (const Dialect& dialect : dialects) {
        SCOPED_TRACE(dialect.program);
        ExecOnBook(book_.path(), "delete from 通讯录");
        const ExchangeReport report = importText(dialect.file);
        ASSERT_TRUE(report.ok) << report.error;
        EXPECT_EQ(report.counts.added, 1);
        const auto rows = stored();
        ASSERT_EQ(rows.size(), 1u);
        ExpectColumns(rows[0], dialect.columns);
        EXPECT_EQ(rows[0]["生日"].substr(0, 10), "1985-03-04");
    }
}

TEST_F(CsvTest, UnbalancedQuotesRefuseTheFileAndChangeNothing) {
    AddContacts(book_.path(), {Awkward(1)});
    const ExchangeReport report = importText("姓名,手机\r\n甲,13800000001\r\n\"乙,13800000002\r\n丙,13800000003\r\n");
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.message().toUtf8(), "第 3 行开始的引号没有闭合，没有导入任何联系人");
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(IntegrityCheck(book_.path()), "ok");
}

TEST_F(CsvTest, RowsWithMoreColumnsThanTheHeaderOrNoNameAndNumberAreCounted) {
    const ExchangeReport report = importText(
        "姓名,手机,备注\r\n甲,13800000001,\"两行\r\n备注\"\r\n乙,13800000002,x,多余\r\n"
        ",,只有备注\r\n丁,13800000004\r\n");
    ASSERT_TRUE(report.ok);
    EXPECT_EQ(report.counts.total, 4);
    EXPECT_EQ(report.counts.added, 2);
    ExpectMentions(report.message().toUtf8(),
                   {"未能添加 2 条记录", "第 4 行：有 4 列，多于标题行的 3 列", "第 5 行：既没有姓名也没有号码"});
    const auto rows = stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["备注"], "两行\r\n备注");
    EXPECT_EQ(rows[1]["姓名"], "丁");
}

TEST_F(CsvTest, AFileWithoutAKnownColumnOrNotTextIsRefused) {
    EXPECT_EQ(importText("foo,bar\r\n1,2\r\n").error.substr(0, 30),
              std::string("标题行中没有可以识别的列").substr(0, 30));
    EXPECT_FALSE(importText(std::string("姓名\0手机\r\n", 10)).ok);
    EXPECT_TRUE(stored().empty());
}

}  // namespace
