// Both imports under real faults: another program holding the book, a disk
// that fills up, a book without write permission. Whatever happens, the
// count the window reports is the count of rows the file holds.

#include "faults/fault_support.h"
#include "support/stages/transfer_fixture.h"
#include "transfer/import_export.h"
#include "transfer/text_import.h"

#include "services/db/db_connection.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/text_import_window_decl.h"

#include <QFile>

using namespace faults;

namespace {

class ImportFaults : public TransferTest {
protected:
    // The rows of one run: name prefix + number, a mobile number of their own.
    static std::string nameOf(const std::string& prefix, int i) { return prefix + std::to_string(100000 + i); }
    static std::string mobileOf(int run, int i) { return std::to_string(13000000000LL + run * 1000000LL + i); }

    // 写入通讯录 of the import/export window with a list of `rows` contacts;
    // the number its message reports as added.
    long long writeList(const std::string& prefix, int run, int rows, const std::string& padding = "") {
        long long reported = -1;
        runModal(
            "import_export", [this] { open_import_export_window(state_); },
            [&](Window& w) {
                ReportList& list = *w.list(T(ImportExportControls::List));
                list.InsertColumn(std::nullopt, T("姓名"));
                list.InsertColumn(std::nullopt, T("手机"));
                for (int i = 0; i < rows; ++i) {
                    const int row = list.InsertItem();
                    list.SetItemText(row, 0, T(nameOf(prefix, i) + padding));
                    list.SetItemText(row, 1, T(mobileOf(run, i)));
                }
                w.control(T(ImportExportControls::WriteButton)).setEnabled(true);
                const std::size_t before = (*messages_)->shown.size();
                click(w, ImportExportControls::WriteButton);
                const auto texts = (*messages_)->texts();
                if (texts.size() > before) reported = NumberAfter(texts.back(), "成功添加 ");
            });
        return reported;
    }

    // 写入数据库 of the text import window with `rows` names; the number its
    // status reports as imported.
    long long writeText(const std::string& prefix, int run, int rows, const std::string& padding = "") {
        long long reported = -1;
        runModal(
            "text_import", [this] { open_text_import_window(state_); },
            [&](Window& w) {
                std::string names, mobiles;
                for (int i = 0; i < rows; ++i) {
                    names += nameOf(prefix, i) + padding + "\r\n";
                    mobiles += mobileOf(run, i) + "\r\n";
                }
                w.control(T(TextImportControls::NameBox)).setText(T(names));
                w.control(T(TextImportControls::MobileBox)).setText(T(mobiles));
                w.control(T(TextImportControls::WriteButton)).setEnabled(true);
                click(w, TextImportControls::WriteButton);
                reported = NumberAfter(textOf(w, TextImportControls::StatusLabel), "共导入 ");
            });
        return reported;
    }

    long long storedWithPrefix(const std::string& book, const std::string& prefix) {
        return CountRows(book, "姓名 LIKE '" + prefix + "%'");
    }

    // Points the main window's connection, which both imports write
    // through, at another copy of the book.
    void useBook(const std::string& path) {
        ASSERT_TRUE(QFile::copy(QString::fromStdString(bookPath()), QString::fromStdString(path)));
        DBConnection* book = mainWindow().connection(T(MainControls::AddressBook));
        ASSERT_TRUE(book->ConnectAccess(Text::fromUtf8(path))) << book->ErrorText().toUtf8();
    }

    // One import while another program holds the book: what is reported is
    // what is stored, also once the other program has let go; and the
    // connection still stores the next import.
    void importWhileHeld(const std::string& kind, double seconds, bool text, const std::string& name) {
        const std::string prefix = kind + (text ? "t" : "w");
        BookHolder holder(bookPath(), kind, seconds);
        ASSERT_TRUE(holder.held()) << holder.problem();
        const int rows = 3000;
        const long long reported = text ? writeText(prefix, 1, rows) : writeList(prefix, 1, rows);
        const long long storedAtOnce = storedWithPrefix(bookPath(), prefix);
        ASSERT_TRUE(holder.waitReleased()) << holder.problem();
        const long long stored = storedWithPrefix(bookPath(), prefix);
        RecordOutcome(name, 1, reported, stored, std::max(0LL, reported - stored));
        EXPECT_EQ(reported, storedAtOnce);
        EXPECT_EQ(reported, stored);
        // The rows not stored were reported, with the book's reason.
        if (reported < rows) {
            EXPECT_NE((*messages_)->lastText().find("未能添加"), std::string::npos) << (*messages_)->lastText();
            EXPECT_NE((*messages_)->lastText().find("原因："), std::string::npos) << (*messages_)->lastText();
        }

        // The book is free again: the next import is stored whole.
        const long long next = text ? writeText(prefix + "n", 2, 600) : writeList(prefix + "n", 2, 600);
        EXPECT_EQ(next, 600);
        EXPECT_EQ(storedWithPrefix(bookPath(), prefix + "n"), 600);
        EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
    }

    // An import onto a disk that fills up on the way.
    void importOntoFullDisk(bool text, const std::string& name) {
        SmallDisk disk(1024 * 1024);
        if (!disk.mounted()) GTEST_SKIP() << disk.skipReason();
        const std::string book = disk.file("VRL3.mdb");
        useBook(book);
        // Long names: the disk fills after a few hundred rows.
        const std::string padding(300, 'x');
        const int rows = 5000;
        const long long reported = text ? writeText("full", 3, rows, padding) : writeList("full", 3, rows, padding);
        const long long stored = storedWithPrefix(book, "full");
        RecordOutcome(name, 1, reported, stored, std::max(0LL, reported - stored));
        EXPECT_EQ(reported, stored);
        EXPECT_LT(stored, rows) << "the disk never filled";
        EXPECT_NE((*messages_)->lastText().find("未能添加"), std::string::npos) << (*messages_)->lastText();
        EXPECT_EQ(IntegrityCheck(book), "ok");
        mainWindow().connection(T(MainControls::AddressBook))->CloseConnection();
    }
};

TEST_F(ImportFaults, WorkbookWriteWhileAnotherProgramReadsTheBook) {
    importWhileHeld("read", 2.0, false, "workbook import, reader holds 2 s");
}

TEST_F(ImportFaults, WorkbookWriteWhileAnotherProgramHoldsTheWriteLock) {
    importWhileHeld("write", 3.0, false, "workbook import, write lock 3 s");
}

TEST_F(ImportFaults, TextImportWhileAnotherProgramReadsTheBook) {
    importWhileHeld("read", 2.0, true, "text import, reader holds 2 s");
}

TEST_F(ImportFaults, TextImportWhileAnotherProgramHoldsTheWriteLock) {
    importWhileHeld("write", 3.0, true, "text import, write lock 3 s");
}

TEST_F(ImportFaults, WorkbookWriteOntoAFullDisk) { importOntoFullDisk(false, "workbook import, disk fills"); }

TEST_F(ImportFaults, TextImportOntoAFullDisk) { importOntoFullDisk(true, "text import, disk fills"); }

TEST_F(ImportFaults, BothImportsIntoAReadOnlyBookStoreNothingAndSaySo) {
    const std::string book = folder_.file("readonly.mdb");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(bookPath()), QString::fromStdString(book)));
    QFile(QString::fromStdString(book)).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    DBConnection* connection = mainWindow().connection(T(MainControls::AddressBook));
    ASSERT_TRUE(connection->ConnectAccess(Text::fromUtf8(book)));

    const long long list = writeList("ro", 4, 50);
    EXPECT_EQ(list, 0);
    EXPECT_NE((*messages_)->lastText().find("未能添加 50 条记录"), std::string::npos) << (*messages_)->lastText();
    const long long text = writeText("ro", 4, 50);
    EXPECT_EQ(text, 0);
    EXPECT_NE((*messages_)->lastText().find("未能添加 50 条记录"), std::string::npos) << (*messages_)->lastText();
    EXPECT_NE((*messages_)->lastText().find("readonly"), std::string::npos) << (*messages_)->lastText();
    const long long stored = storedWithPrefix(book, "ro");
    RecordOutcome("both imports, read-only book", 2, list + text, stored, std::max(0LL, list + text - stored));
    EXPECT_EQ(stored, 0);
}

}  // namespace
