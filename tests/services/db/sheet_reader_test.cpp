// The sheet reader, the child process that reads workbooks for the
// spreadsheet driver: stand-ins that hang, crash, fail or answer garbage fail
// the connection with the reason, and the program reads the next workbook as
// before. The cells on the pipe round-trip exactly.

#include "services/db/sheet_reader.h"
#include "services/db/db_connection.h"
#include "services/db/detail/workbook_cells.h"
#include "services/db/record_set.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include "build_paths.h"

namespace {

Text ExcelText(const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('/'));
    return T("ODBC;DBQ=" + path + ";DefaultDir=" + folder + ";Driver={Microsoft Excel Driver (*.xls)}; ");
}

const std::string kContacts = std::string(VARELO_TEST_FIXTURES) + "/xls/contacts.xls";

class SheetReaderTest : public ::testing::Test {
protected:
    void TearDown() override { SetSheetReader(SheetReader{}); }

    // A stand-in reader: a shell script with this body.
    void useStandIn(const std::string& body, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const std::string script = folder_.file("reader.sh");
        WriteFileBytes(script, "#!/bin/sh\n" + body + "\n");
        ::chmod(script.c_str(), 0755);
        SetSheetReader(SheetReader{script, limit});
    }

    // Connects to the test workbook; on failure, the error text.
    std::string failureOfConnect() {
        if (db_.Connect(ExcelText(kContacts))) return "";
        return db_.ErrorText().toUtf8();
    }

    // After any failure the real reader reads a workbook as before.
    void expectTheRealReaderWorks() {
        SetSheetReader(SheetReader{});
        ASSERT_TRUE(db_.Connect(ExcelText(kContacts))) << db_.ErrorText().toUtf8();
        RecordSet rs;
        rs.SetConnection(db_);
        ASSERT_TRUE(rs.Open(T("select * from [Sheet1$]"), RecordSet::kSqlText));
        EXPECT_EQ(rs.RecordCount(), 3);
        EXPECT_EQ(rs.ReadText(T("姓名")).toUtf8(), "张三");
    }

    TempFolder folder_;
    DBConnection db_;
};

TEST_F(SheetReaderTest, AReaderThatHangsIsStoppedAtTheTimeLimit) {
    useStandIn("sleep 60", std::chrono::milliseconds(300));
    const std::string why = failureOfConnect();
    EXPECT_NE(why.find("did not finish within the time limit of 0.3 s"), std::string::npos) << why;
    EXPECT_FALSE(db_.IsConnected());
    expectTheRealReaderWorks();
}

TEST_F(SheetReaderTest, AReaderThatCrashesFailsTheConnection) {
    useStandIn("kill -SEGV $$");
    const std::string why = failureOfConnect();
    EXPECT_NE(why.find("the sheet reader crashed (signal 11"), std::string::npos) << why;
    expectTheRealReaderWorks();
}

TEST_F(SheetReaderTest, AReaderThatFailsOrAnswersGarbageFailsTheConnection) {
    useStandIn("exit 3");
    EXPECT_NE(failureOfConnect().find("the sheet reader failed (exit code 3)"), std::string::npos);
    useStandIn("printf 'VSR1\\000\\000\\000\\000\\377\\377\\377\\377'");
    EXPECT_NE(failureOfConnect().find("answer is unreadable: a sheet count beyond the answer"), std::string::npos);
    useStandIn("printf 'not cells'");
    EXPECT_NE(failureOfConnect().find("answer is unreadable: no answer in the reader's form"), std::string::npos);
    SetSheetReader(SheetReader{folder_.file("absent"), std::chrono::seconds(5)});
    EXPECT_NE(failureOfConnect().find("cannot be started"), std::string::npos);
    expectTheRealReaderWorks();
}

TEST(WorkbookCellsForm, RoundTripsAndRefusesEveryCutOrChangedAnswer) {
    using dbdetail::Cell;
    dbdetail::WorkbookCells book;
    dbdetail::WorkbookSheet first;
    first.named = true;
    first.name = "Sheet1";
    first.readable = true;
    first.rows = 3;
    first.columns = 2;
    first.cells = {{0, 0, Cell::ofText("姓名")},
                   {0, 1, Cell::ofReal(13800138000.0)},
                   {2, 1, Cell::ofText("1980-01-06 00:00:00", Cell::Kind::Date)}};
    book.sheets.push_back(first);
    book.sheets.push_back(dbdetail::WorkbookSheet{});
    const std::string bytes = dbdetail::EncodeWorkbookCells(book);

    std::string why;
    auto back = dbdetail::DecodeWorkbookCells(bytes, why);
    ASSERT_TRUE(back) << why;
    ASSERT_EQ(back->sheets.size(), 2u);
    EXPECT_EQ(back->sheets[0].name, "Sheet1");
    EXPECT_FALSE(back->sheets[1].named);
    ASSERT_EQ(back->sheets[0].cells.size(), 3u);
    EXPECT_EQ(back->sheets[0].cells[1].cell.real, 13800138000.0);
    EXPECT_EQ(back->sheets[0].cells[2].cell.kind, Cell::Kind::Date);
    EXPECT_EQ(back->sheets[0].cells[2].cell.text, "1980-01-06 00:00:00");
    EXPECT_EQ(dbdetail::EncodeWorkbookCells(*back), bytes);

    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(dbdetail::DecodeWorkbookCells(bytes.substr(0, n), why)) << n;
    EXPECT_FALSE(dbdetail::DecodeWorkbookCells(bytes + "x", why));
    // A cell moved outside its sheet, or before the one it follows.
    std::string changed = bytes;
    const std::size_t firstCellRow = bytes.find("姓名") - 4 - 1 - 4 - 4;
    changed[firstCellRow] = 3;
    EXPECT_FALSE(dbdetail::DecodeWorkbookCells(changed, why));
    EXPECT_EQ(why, "a cell outside its sheet");
}

}  // namespace
