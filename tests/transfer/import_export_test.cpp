// The import/export window driven through its widgets and the file dialog
// seam: the address book read into the list and exported to a workbook with
// its photos, workbooks (our own and LibreOffice Calc's) imported and written
// into fresh copies of the delivered address book, and bad workbooks.

#include "transfer/import_export.h"
#include "support/stages/transfer_fixture.h"

#include "data/address_book.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"

#include <QFileInfo>
#include <QTimer>

#include <sqlite3.h>
#include "build_paths.h"

namespace {

const std::string kLibreOfficeBooks = VARELO_TEST_FIXTURES "/transfer/";
const std::string kDbBooks = VARELO_TEST_FIXTURES "/xls/";

Bytes PhotoBytes(int seed) {
    Bytes b = {'B', 'M'};
    for (int i = 0; i < 300; ++i) b.push_back(static_cast<unsigned char>((i * 7 + seed) & 0xFF));
    return b;
}

// A contact with every text field filled; initials of three letters, as the
// import computes them.
std::map<std::string, std::string> FullContact(const std::string& name, const std::string& initials,
                                               const std::string& mobile) {
    return {{"姓名", name},
            {"手机", mobile},
            {"首字母", initials},
            {"手机备", "139" + mobile.substr(3)},
            {"QQ", "10001"},
            {"QQ备", "10002"},
            {"邮箱", initials + "@example.com"},
            {"分组", "同学"},
            {"座机", "010-66668888"},
            {"分机", "801"},
            {"地址", "北京市\"海淀区\"'中关村'"},
            {"籍贯", "河北"},
            {"生日", "1980-01-06"},
            {"备注", "备注 1.000 原样"},
            {"归属地", "北京移动"},
            {"性别", "男"}};
}

class ImportExportTest : public TransferTest {
protected:
    static std::string cell(Window& w, int row, int column) {
        return importExportList(w).GetItemText(row, column).toUtf8();
    }
    std::vector<std::string> messageTexts() const { return (*messages_)->texts(); }

    // Imports `book` through 导入 and writes it through 写入通讯录.
    void importAndWrite(Window& w, const std::string& book) {
        importInto(w, book);
        click(w, ImportExportControls::WriteButton);
    }
    // The closing message of a write into the book, and the contacts the book then holds.
    void expectWritten(const std::string& summary, std::size_t contactsInBook) {
        EXPECT_EQ(messageTexts().back(), summary);
        EXPECT_EQ(storedContacts().size(), contactsInBook);
    }
    // Reads `book`, chosen in 导入's dialog, into the window's list.
    void importInto(Window& w, const std::string& book) {
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ImportButton);
    }
};

TEST_F(ImportExportTest, DeclaredWindowOpensWithItsDesignState) {
    inImportExport([](Window& w) {
        EXPECT_EQ(w.title().toUtf8(), "导入\\导出");
        EXPECT_FALSE(w.control(T(ImportExportControls::ExportButton)).enabled());
        EXPECT_FALSE(w.control(T(ImportExportControls::WriteButton)).enabled());
        EXPECT_TRUE(w.control(T(ImportExportControls::ImportButton)).enabled());
        EXPECT_TRUE(w.control(T(ImportExportControls::ReadButton)).enabled());
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "正在    第     条记录");
        EXPECT_EQ(textOf(w, ImportExportControls::Hint), "提示：写入通讯录时 已存在的号码将被跳过！");
        EXPECT_NE(w.excelApp(T(ImportExportControls::Excel)), nullptr);
        EXPECT_NE(w.connection(T(ImportExportControls::SheetConnection)), nullptr);
    });
}

TEST_F(ImportExportTest, ReadShowsEveryFieldButTheKeyAndKeepsThePhotosAside) {
    addContact(FullContact("张三", "zs", "13800000001"), PhotoBytes(1));
    addContact(FullContact("李四", "ls", "13800000002"));
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        ReportList& list = importExportList(w);
        ASSERT_EQ(list.ColumnCount(), static_cast<int>(ContactFields().size()));
        for (int c = 0; c < list.ColumnCount(); ++c) EXPECT_EQ(list.GetColumnTitle(c), ContactFields()[c]);
        ASSERT_EQ(list.ItemCount(), 2);
        EXPECT_EQ(cell(w, 0, 0), "李四");  // name order
        EXPECT_EQ(cell(w, 1, 1), "13800000001");
        EXPECT_EQ(cell(w, 1, 12), "1980-01-06 00:00:00");
        EXPECT_EQ(cell(w, 1, 14), "");  // the photo column stays empty
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共读出 2 条记录");
        EXPECT_TRUE(w.control(T(ImportExportControls::ExportButton)).enabled());
        EXPECT_FALSE(w.control(T(ImportExportControls::WriteButton)).enabled());
        EXPECT_EQ(w.control(T(ImportExportControls::Progress)).position(), 2);
    });
}

TEST_F(ImportExportTest, ExportedContactsWithPhotosComeBackWholeIntoAnEmptyBookAndOnlyOnce) {
    const std::vector<std::map<std::string, std::string>> contacts = {
        FullContact("张三", "zs", "13800000001"), FullContact("李四", "ls", "13800000002"),
        FullContact("王五", "ww", "13800000003"), FullContact("O'Neil", "", "13800000004"),
        // A quote in the number: the duplicate test still runs (and finds it the second time).
        FullContact("赵六", "zl", "138'0000005")};
    for (std::size_t i = 0; i < contacts.size(); ++i)
        addContact(contacts[i], i % 2 == 0 ? PhotoBytes(int(i)) : Bytes());
    const auto before = storedContacts();
    const std::string book = folder_.file("导出/通讯录.xls");
    QDir().mkpath(QString::fromStdString(folder_.file("导出")));

    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ExportButton);
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共导出 5 条记录");
    });
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"任务完成！"});
    EXPECT_EQ((*messages_)->shown[0].flags & MessageStyle::kButtonsAndIconMask, MessageStyle::kInformation);
    ASSERT_TRUE(chooser_->requests.at(0).save);
    EXPECT_EQ(chooser_->requests[0].filters.at(0).patterns.toUtf8(), "*.xls");
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(book)));
    // Photos beside the workbook, named after the mobile numbers.
    for (const auto& c : before) {
        const std::string photo = folder_.file("导出/" + c["手机"] + ".bmp");
        EXPECT_EQ(QFileInfo::exists(QString::fromStdString(photo)), !c.photo.empty()) << photo;
        if (!c.photo.empty()) {
            EXPECT_EQ(FileBytes(photo), std::string(c.photo.begin(), c.photo.end()));
        }
    }

    execOnFile("delete from 通讯录");
    inImportExport([&](Window& w) {
        importInto(w, book);
        EXPECT_EQ(importExportList(w).ItemCount(), 5);
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共导入 5 条记录");
        EXPECT_TRUE(w.control(T(ImportExportControls::WriteButton)).enabled());
        click(w, ImportExportControls::WriteButton);
        EXPECT_EQ(textOf(w, ImportExportControls::Hint), "共 5 条记录，已存在 0 条记录，成功添加 5 条记录");
        EXPECT_FALSE(w.control(T(ImportExportControls::WriteButton)).enabled());
        // The main list was refilled.
        EXPECT_EQ(mainWindow().list(T(MainControls::ContactList))->ItemCount(), 5);
    });
    EXPECT_EQ(messageTexts().back(), "共 5 条记录\r\n已存在 0 条记录\r\n成功添加 5 条记录");
    EXPECT_EQ((*messages_)->shown.back().caption.toUtf8(), "提示！");

    auto after = storedContacts();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& original : before) {
        auto match = std::find_if(after.begin(), after.end(),
                                  [&](const StoredContact& c) { return c["手机"] == original["手机"]; });
        ASSERT_NE(match, after.end()) << original["手机"];
        for (const auto& [column, value] : original.fields) {
            if (column == "编号") continue;
            EXPECT_EQ((*match)[column], value) << column << " of " << original["姓名"];
        }
        EXPECT_EQ(match->fields.size(), original.fields.size()) << original["姓名"];
        EXPECT_EQ(match->photo, original.photo) << original["姓名"];
    }

    // A second import of the same workbook adds nothing.
    inImportExport([&](Window& w) { importAndWrite(w, book); });
    expectWritten("共 5 条记录\r\n已存在 5 条记录\r\n成功添加 0 条记录", 5);
}

TEST_F(ImportExportTest, LibreOfficeNumbersDatesAndDecimalsComeBackAsTyped) {
    inImportExport([&](Window& w) {
        importInto(w, kLibreOfficeBooks + "typed.xls");
        ASSERT_EQ(importExportList(w).ItemCount(), 3);
        ASSERT_EQ(importExportList(w).ColumnCount(), 17);
        EXPECT_EQ(importExportList(w).GetColumnTitle(0).toUtf8(), "姓名");
        EXPECT_EQ(cell(w, 0, 1), "13800138000");  // a number: its digits
        EXPECT_EQ(cell(w, 0, 4), "12345");
        EXPECT_EQ(cell(w, 0, 8), "010-66668888");  // text stays text
        EXPECT_EQ(cell(w, 0, 12), "1980-01-06");   // a date: its first ten characters
        EXPECT_EQ(cell(w, 0, 13), "3.50000000");   // a decimal keeps its eight places
        EXPECT_EQ(cell(w, 1, 13), "1.00050000");
        EXPECT_EQ(cell(w, 2, 13), "12");
        EXPECT_EQ(cell(w, 2, 12), "2001-02-03 08:30:00");  // a time of day stays
        EXPECT_EQ(cell(w, 1, 10), "上海市\"南京路\"");
        EXPECT_EQ(cell(w, 2, 10), "第一行\n第二行");
        click(w, ImportExportControls::WriteButton);
    });
    EXPECT_EQ(messageTexts().back(), "共 3 条记录\r\n已存在 0 条记录\r\n成功添加 3 条记录");
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 3u);
    ExpectColumns(stored[0], {{"手机", "13800138000"}, {"首字母", "zs"}, {"备注", "3.50000000"}, {"性别", "男"}});
    EXPECT_EQ(stored[0]["生日"].substr(0, 10), "1980-01-06");
    EXPECT_EQ(stored[1]["地址"], "上海市\"南京路\"");
    EXPECT_EQ(stored[2]["地址"], "第一行\n第二行");
    EXPECT_TRUE(stored[0].photo.empty());  // no picture file beside the workbook
}

TEST_F(ImportExportTest, ANumberAlreadyStoredOrContainingTheRowsNumberIsSkipped) {
    addContact({{"姓名", "旧"}, {"手机", "13800138000"}});
    addContact({{"姓名", "长号"}, {"手机", "8613912345678"}});
    inImportExport([&](Window& w) { importAndWrite(w, kLibreOfficeBooks + "typed.xls"); });
    EXPECT_EQ(messageTexts().back(), "共 3 条记录\r\n已存在 2 条记录\r\n成功添加 1 条记录");
    EXPECT_EQ(textOf(mainWindow(), MainControls::CountLabel), "共 3 条记录");
}

// Which rows the write skips as present: any stored number, or one added
// earlier in the same write, that contains the row's number (Latin letters
// in either case) makes it present; a number containing a stored one is new.
TEST_F(ImportExportTest, ARowIsPresentWhenAStoredOrEarlierRowsNumberContainsIt) {
    addContact({{"姓名", "旧"}, {"手机", "13800138000"}});
    addContact({{"姓名", "字母"}, {"手机", "Tel-AB12"}});
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"甲", "0013"},          // inside a stored number: present
        {"乙", "138001380001"},  // contains a stored number: added
        {"丙", "138001380001"},  // the same number again in this workbook: present
        {"丁", "3800138"},       // inside stored and added numbers: present
        {"戊", "tel-ab"},        // letters in the other case: present
        {"己", "13_0"},          // _ is a character, not a pattern: added
        {"庚", ""},              // no number: not a duplicate of anything, added
        {"辛", "13912345678"},   // added
        {"壬", "91234"},         // inside the number added two rows before: present
    };
    inImportExport([&](Window& w) {
        ReportList& list = importExportList(w);
        list.InsertColumn(std::nullopt, T("姓名"));
        list.InsertColumn(std::nullopt, T("手机"));
        for (const auto& [name, mobile] : rows) {
            const int row = list.InsertItem();
            list.SetItemText(row, 0, Text::fromUtf8(name));
            list.SetItemText(row, 1, Text::fromUtf8(mobile));
        }
        w.control(T(ImportExportControls::WriteButton)).setEnabled(true);
        click(w, ImportExportControls::WriteButton);
    });
    EXPECT_EQ(messageTexts().back(), "共 9 条记录\r\n已存在 5 条记录\r\n成功添加 4 条记录");
    std::vector<std::string> added;
    for (const auto& c : storedContacts()) added.push_back(c["姓名"] + " " + c["手机"]);
    EXPECT_EQ(added, (std::vector<std::string>{"旧 13800138000", "字母 Tel-AB12", "乙 138001380001", "己 13_0", "庚 ",
                                               "辛 13912345678"}));
}

// The workbook reader gives no formula results: the cell arrives empty and
// the row is added as a contact without a number (an empty number is no
// duplicate of the stored ones).
TEST_F(ImportExportTest, AFormulaInTheMobileCellArrivesEmpty) {
    addContact({{"姓名", "甲"}, {"手机", "13800000000"}});
    inImportExport([&](Window& w) {
        importInto(w, kLibreOfficeBooks + "formula.xls");
        ASSERT_EQ(importExportList(w).ItemCount(), 1);
        EXPECT_EQ(cell(w, 0, 0), "钱七");
        EXPECT_EQ(cell(w, 0, 1), "");
        click(w, ImportExportControls::WriteButton);
    });
    expectWritten("共 1 条记录\r\n已存在 0 条记录\r\n成功添加 1 条记录", 2);
}

TEST_F(ImportExportTest, ColumnsBeyondTheTableAreShownButNotWritten) {
    inImportExport([&](Window& w) {
        importInto(w, kLibreOfficeBooks + "wide.xls");
        EXPECT_EQ(importExportList(w).ColumnCount(), 20);
        click(w, ImportExportControls::WriteButton);
    });
    EXPECT_EQ(messageTexts().back(), "共 1 条记录\r\n已存在 0 条记录\r\n成功添加 1 条记录");
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]["姓名"], "赵六");
    EXPECT_EQ(stored[0]["性别"], "v17");  // the 17th column: the table's last field
}

TEST_F(ImportExportTest, AFileThatIsNoWorkbookFailsToConnect) {
    const std::string fake = folder_.file("not a book.xls");
    WriteFileBytes(fake, "姓名,手机\r\n张三,13800000000\r\n");
    inImportExport([&](Window& w) {
        importInto(w, fake);
        EXPECT_EQ(importExportList(w).ItemCount(), 0);
        EXPECT_EQ(importExportList(w).ColumnCount(), 0);
        EXPECT_TRUE(w.control(T(ImportExportControls::WriteButton)).enabled());
        click(w, ImportExportControls::WriteButton);
    });
    ASSERT_GE(messageTexts().size(), 2u);
    EXPECT_EQ(messageTexts()[0],
              fake + "连接失败！\r\nCannot open the workbook (not an Excel 97-2003 workbook): " + fake);
    EXPECT_EQ((*messages_)->shown[0].caption.toUtf8(), "信息：");
    EXPECT_EQ(messageTexts().back(), "共 0 条记录\r\n已存在 0 条记录\r\n成功添加 0 条记录");
}

TEST_F(ImportExportTest, AWorkbookWithoutSheet1ReportsOnceAndImportsNothing) {
    inImportExport([&](Window& w) {
        importInto(w, kDbBooks + "no_sheet1.xls");
        EXPECT_EQ(importExportList(w).ItemCount(), 0);
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共导入 0 条记录");
    });
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_NE(messageTexts()[0].find("Sheet1"), std::string::npos);
}

TEST_F(ImportExportTest, AnEmptySheetImportsNoRows) {
    inImportExport([&](Window& w) {
        importInto(w, kDbBooks + "empty.xls");
        EXPECT_EQ(importExportList(w).ItemCount(), 0);
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共导入 0 条记录");
        click(w, ImportExportControls::WriteButton);
    });
    EXPECT_EQ(messageTexts().back(), "共 0 条记录\r\n已存在 0 条记录\r\n成功添加 0 条记录");
    EXPECT_TRUE(storedContacts().empty());
}

TEST_F(ImportExportTest, CancelledDialogsChangeNothing) {
    addContact({{"姓名", "甲"}, {"手机", "1"}});
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        click(w, ImportExportControls::ExportButton);  // cancelled
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共读出 1 条记录");
        click(w, ImportExportControls::ImportButton);  // cancelled
        EXPECT_EQ(importExportList(w).ItemCount(), 1);
        EXPECT_FALSE(w.control(T(ImportExportControls::WriteButton)).enabled());
    });
    EXPECT_TRUE(messageTexts().empty());
    EXPECT_EQ(chooser_->requests.size(), 2u);
}

TEST_F(ImportExportTest, AnEmptyBookExportsAnEmptyWorkbook) {
    const std::string book = folder_.file("empty.xls");
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ExportButton);
        EXPECT_EQ(textOf(w, ImportExportControls::ProgressText), "共导出 0 条记录");
        // Read back: no rows.
        importInto(w, book);
        EXPECT_EQ(importExportList(w).ItemCount(), 0);
    });
    EXPECT_EQ(messageTexts().at(0), "任务完成！");
}

TEST_F(ImportExportTest, AWorkbookThatCannotBeSavedIsNotReportedAsDone) {
    addContact({{"姓名", "甲"}, {"手机", "1"}});
    const std::string book = folder_.file("no such folder/book.xls");
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ExportButton);
    });
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_EQ(messageTexts()[0], book + "保存失败！\r\n原因：文件夹不存在");
}

// Workbook and photos in a folder whose names GBK cannot hold: written
// there, read back from there, and named as they are in the messages.
TEST_F(ImportExportTest, AWorkbookNamedOutsideTheCodePageIsWrittenAndReadBack) {
    addContact(FullContact("张三", "zs", "13800000001"), PhotoBytes(1));
    addContact(FullContact("李四", "ls", "13800000002"));
    const std::string folder = folder_.file("Straße");
    const std::string book = folder + "/😀.xls";
    QDir().mkpath(QString::fromStdString(folder));
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ExportButton);
    });
    ASSERT_EQ(messageTexts(), std::vector<std::string>{"任务完成！"});
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(book)));
    const Bytes photo = PhotoBytes(1);
    EXPECT_EQ(FileBytes(folder + "/13800000001.bmp"), std::string(photo.begin(), photo.end()));

    execOnFile("delete from 通讯录");
    inImportExport([&](Window& w) {
        importAndWrite(w, book);
        EXPECT_EQ(textOf(w, ImportExportControls::Hint), "共 2 条记录，已存在 0 条记录，成功添加 2 条记录");
    });
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), 2u);
    for (const auto& c : stored) EXPECT_EQ(c.photo.empty(), c["姓名"] == "李四") << c["姓名"];

    // A workbook that cannot be written is named as the user chose it.
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(folder + "/missing/😀.xls");
        click(w, ImportExportControls::ExportButton);
    });
    EXPECT_EQ(messageTexts().back().rfind(folder + "/missing/😀.xls保存失败！", 0), 0u) << messageTexts().back();
}

TEST_F(ImportExportTest, AnImportedListIsExportedWithoutTheReadsPhotos) {
    addContact({{"姓名", "甲"}, {"手机", "13800000009"}}, PhotoBytes(9));
    const std::string book = folder_.file("again.xls");
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        importInto(w, kLibreOfficeBooks + "typed.xls");
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ExportButton);
    });
    // Row 0 of the imported list is 张三, not the contact whose photo was read.
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder_.file("13800138000.bmp"))));
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(book)));
}

}  // namespace

namespace {

// Closing the window while rows are written stops the write: what was
// written is stored, nothing is claimed, and the main list shows the rows.
TEST_F(ImportExportTest, ClosingTheWindowDuringAWriteStopsItAndKeepsTheRowsWritten) {
    fillBook(3000);
    const std::string book = folder_.file("many.xls");
    exportWorkbookAndEmptyBook(book);
    inImportExport([&](Window& w) {
        importInto(w, book);
        ASSERT_EQ(importExportList(w).ItemCount(), 3000);
        // Closed as soon as the write lets the window's events run.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (textOf(w, ImportExportControls::ProgressText).rfind("正在写入第", 0) == 0) DestroyWindow(&w);
        });
        closer.start(0);
        click(w, ImportExportControls::WriteButton);
        closer.stop();
        EXPECT_FALSE(w.alive() && !w.closing());
    });
    const std::size_t stored = storedContacts().size();
    EXPECT_GT(stored, 0u);
    EXPECT_LT(stored, 3000u);
    EXPECT_EQ(messageTexts().back(), "任务完成！");  // the export's; the write claimed nothing
    EXPECT_EQ(mainWindow().list(T(MainControls::ContactList))->ItemCount(), static_cast<int>(stored));
}

TEST_F(ImportExportTest, RowsOfAGroupWhoseCommitFailsAreNotCountedAsAdded) {
    // Another reader in the middle of a read transaction during the write: the
    // commit waits, then fails, and its rows are not in the book.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(bookPath().c_str(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM 通讯录;", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto writeRows = [&](int first, int count) {
        inImportExport([&](Window& w) {
            ReportList& list = importExportList(w);
            list.InsertColumn(std::nullopt, T("姓名"));
            list.InsertColumn(std::nullopt, T("手机"));
            for (int i = first; i < first + count; ++i) {
                const int row = list.InsertItem();
                list.SetItemText(row, 0, T(std::string("n").append(std::to_string(i))));
                list.SetItemText(row, 1, T(std::to_string(13800000000LL + i)));
            }
            w.control(T(ImportExportControls::WriteButton)).setEnabled(true);
            click(w, ImportExportControls::WriteButton);
        });
    };
    writeRows(0, 3);
    EXPECT_EQ(messageTexts().back().rfind(
                  "共 3 条记录\r\n已存在 0 条记录\r\n成功添加 0 条记录\r\n未能添加 3 条记录\r\n原因：", 0),
              0u)
        << messageTexts().back();
    EXPECT_NE(messageTexts().back().find("locked"), std::string::npos) << messageTexts().back();
    ASSERT_EQ(sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(reader);
    EXPECT_TRUE(storedContacts().empty());
    // No transaction was left open: the same rows are stored now, none taken
    // for present.
    writeRows(0, 3);
    expectWritten("共 3 条记录\r\n已存在 0 条记录\r\n成功添加 3 条记录", 3);
}

}  // namespace
