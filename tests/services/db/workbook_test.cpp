// The spreadsheet driver text, on workbooks written by a spreadsheet
// application (tests/fixtures/xls, made by tools/make_test_workbooks.sh) and by
// the sheet service's writer.

#include "db_fixture.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/sheet/workbook.h"
#include "services/sheet/xls_file.h"
#include "support/recording_presenter.h"

#include <gtest/gtest.h>

#include <fstream>
#include "build_paths.h"

namespace {

std::string workbook(const std::string& name) { return std::string(VARELO_TEST_FIXTURES) + "/xls/" + name; }

// The import's connection text for a workbook.
Text excelText(const std::string& path) {
    std::string folder = path.substr(0, path.rfind('/'));
    return T("ODBC;DBQ=" + path + ";DefaultDir=" + folder + ";Driver={Microsoft Excel Driver (*.xls)}; ");
}

class WorkbookTest : public ::testing::Test {
protected:
    bool connect(const std::string& path) {
        if (!db.Connect(excelText(path))) return false;
        rs.SetConnection(db);
        return true;
    }

    ScopedPresenter boxes;
    DBConnection db;
    RecordSet rs;
};

TEST_F(WorkbookTest, Sheet1IsATableWithTitledFieldsNumbersAndDates) {
    ASSERT_TRUE(connect(workbook("contacts.xls"))) << db.ErrorText().toUtf8();
    EXPECT_EQ(db.ProviderName().toUtf8(), "FreeXL");
    for (int kind : {2, 1}) {
        ASSERT_TRUE(rs.Open(kind == 2 ? T("[Sheet1$]") : T("select * from [Sheet1$]"), kind)) << boxes->lastText();
        ASSERT_EQ(rs.FieldCount(), 7);
        ASSERT_EQ(rs.RecordCount(), 3);
        EXPECT_EQ(rs.FieldName(0).toUtf8(), "姓名");
        EXPECT_EQ(rs.FieldName(6).toUtf8(), "备注");
        EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "张三");
        EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13800138000.00000000");
        EXPECT_EQ(rs.ReadText(T("QQ")).toUtf8(), "12345.00000000");
        EXPECT_EQ(rs.ReadText(T("生日")).toUtf8(), "1980-01-06 00:00:00");
        EXPECT_EQ(rs.ReadText(T("身高")).toUtf8(), "1.75000000");
        EXPECT_EQ(rs.ReadText(T("登记时间")).toUtf8(), "2020-05-01 08:30:00");
        EXPECT_EQ(rs.ReadText(6).toUtf8(), "老同学");
        ASSERT_TRUE(rs.MoveNext());
        EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "李四");
        EXPECT_EQ(rs.ReadText(T("QQ")).toUtf8(), "");
        EXPECT_EQ(rs.ReadText(T("生日")).toUtf8(), "1990-12-31 00:00:00");
        EXPECT_EQ(rs.ReadText(T("备注")).toUtf8(), "逗号,引号\"在内");
        ASSERT_TRUE(rs.MoveNext());
        EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "王五");
        EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "");
        EXPECT_TRUE(rs.MoveNext());
        EXPECT_TRUE(rs.AtEnd());
    }
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(WorkbookTest, WorkbooksAreReadOnly) {
    ASSERT_TRUE(connect(workbook("contacts.xls")));
    ASSERT_TRUE(rs.Open(T("Sheet1$"), RecordSet::kTableName));
    EXPECT_FALSE(rs.WriteText(T("姓名"), T("x")));
    EXPECT_FALSE(rs.AddNew());
    EXPECT_FALSE(rs.Delete(RecordSet::kCurrentRow));
    EXPECT_FALSE(rs.Delete(RecordSet::kWholeTable));
    EXPECT_FALSE(db.ExecuteSql(T("delete from [Sheet1$]")));
    Bytes b;
    EXPECT_FALSE(rs.ReadBytes(T("姓名"), b));
}

TEST_F(WorkbookTest, AnEmptySheetHasNoRecords) {
    ASSERT_TRUE(connect(workbook("empty.xls")));
    ASSERT_TRUE(rs.Open(T("select * from [Sheet1$]"), RecordSet::kSqlText));
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.AtEnd());
    EXPECT_FALSE(rs.MoveFirst());
}

TEST_F(WorkbookTest, AWorkbookWithoutSheet1) {
    ASSERT_TRUE(connect(workbook("no_sheet1.xls")));
    EXPECT_FALSE(rs.Open(T("select * from [Sheet1$]"), RecordSet::kSqlText));
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_NE(boxes->lastText().find("no worksheet named 'Sheet1'"), std::string::npos) << boxes->lastText();
    ASSERT_TRUE(rs.Open(T("select * from [通讯录$]"), RecordSet::kSqlText));
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "赵六");
    EXPECT_FALSE(rs.Open(T("select 姓名 from [通讯录$] where 1=1"), RecordSet::kSqlText));
}

TEST_F(WorkbookTest, FilesThatAreNoWorkbooksDoNotConnect) {
    TempFolder folder;
    std::ofstream(folder.file("text.xls")) << "姓名,手机\r\n张三,13800138000\r\n";
    EXPECT_FALSE(connect(folder.file("text.xls")));
    EXPECT_NE(db.ErrorText().toUtf8().find("not an Excel 97-2003 workbook"), std::string::npos);
    EXPECT_FALSE(connect(std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb"));
    EXPECT_FALSE(connect(folder.file("absent.xls")));
    EXPECT_NE(db.ErrorText().toUtf8().find("no such file"), std::string::npos);
    EXPECT_FALSE(db.IsConnected());
}

TEST_F(WorkbookTest, SixtyThousandRows) {
    TempFolder folder;
    sheet::Workbook book;
    auto& sheet = book.sheet(0);
    sheet.at({0, 0}).value = u"姓名";
    sheet.at({0, 1}).value = u"手机";
    for (std::uint32_t r = 1; r <= 60000; ++r) {
        sheet.at({r, 0}).value = u"联系人" + std::u16string(1, char16_t(u'0' + r % 10));
        sheet.at({r, 1}).value = double(13800000000.0 + r);
    }
    ASSERT_TRUE(sheet::WriteXlsFile(book, folder.fileText("big.xls")));
    ASSERT_TRUE(connect(folder.file("big.xls"))) << db.ErrorText().toUtf8();
    ASSERT_TRUE(rs.Open(T("[Sheet1$]"), RecordSet::kTableName));
    EXPECT_EQ(rs.RecordCount(), 60000);
    ASSERT_TRUE(rs.MoveTo(59999));
    EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "联系人0");
    EXPECT_EQ(rs.ReadText(T("手机")).toUtf8(), "13800060000.00000000");
}

}  // namespace
