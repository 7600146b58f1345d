// The transfer windows closed in the middle of their work, by every way a
// user or the code closes them, from inside the action's own event pump:
// nothing crashes, the main window runs on, the book stays intact (SQLite's
// own integrity check) and holds exactly what the window said it stored.
// And a text import write cannot be started again inside itself.

#include "support/stages/transfer_fixture.h"
#include "transfer/event_pump.h"
#include "transfer/import_export.h"
#include "transfer/text_import.h"

#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "support/close_way.h"
#include "ui/import_export_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/text_import_window_decl.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <set>
#include <string>

namespace {

// The number in "<prefix><n> 条记录".
int CountIn(const std::string& status, const std::string& prefix) {
    if (status.rfind(prefix, 0) != 0) return -1;
    return std::stoi(status.substr(prefix.size()));
}

constexpr int kWorkbookRows = 300;

// While it lives, events run after every row of an action, so that a close
// or a click meanwhile lands at a known row, however fast the machine.
class EveryRowLetsEventsRun {
public:
    EveryRowLetsEventsRun() { EventPump::intervalMs = 0; }
    ~EveryRowLetsEventsRun() { EventPump::intervalMs = EventPump::kIntervalMs; }
};

class ClosingMidAction : public TransferTest, public ::testing::WithParamInterface<CloseWay> {
protected:
    // A workbook of kWorkbookRows contacts, exported by the window; the book
    // is left empty.
    std::string workbookOfManyRows() {
        fillBook(kWorkbookRows);
        const std::string book = folder_.file("many.xls");
        exportWorkbookAndEmptyBook(book);
        (*messages_)->shown.clear();
        return book;
    }

    // Clicks `button`; while its action runs, the first time the label
    // `status` starts with `prefix` the window is closed the tested way.
    // Returns the label's text at that moment ("" when it never showed).
    static std::string closeDuring(Window& w, const char* button, const char* status, const std::string& prefix) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.widget()));
        std::string seen;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            const std::string now = textOf(w, status);
            if (!seen.empty() || now.rfind(prefix, 0) != 0) return;
            seen = now;
            closer.stop();
            CloseBy(GetParam(), w);
        });
        closer.start(0);
        EveryRowLetsEventsRun everyRow;
        click(w, button);
        closer.stop();
        EXPECT_TRUE(w.closing());
        return seen;
    }

    // How many rows the progress texts `seen` counted with `progress`: some,
    // but not all, as the close stopped the action partway.
    static int stoppedPartway(const std::string& seen, const char* progress) {
        const int done = CountIn(seen, progress);
        EXPECT_GT(done, 0) << seen;
        EXPECT_LT(done, kWorkbookRows) << seen;
        return done;
    }

    // The program after the close: the main window runs and shows the book,
    // the book is intact and the closed window is gone.
    void expectIntactAndRunning(const char* closedId) {
        EXPECT_EQ(FindWindow(closedId), nullptr);
        EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
        ASSERT_NE(FindWindow("main"), nullptr);
        ReportList* list = mainWindow().list(T(MainControls::ContactList));
        ASSERT_NE(list, nullptr);
        mainWindow().control(T(MainControls::SearchBox)).setText(T("还能用"));
        EXPECT_EQ(mainWindow().control(T(MainControls::SearchBox)).text(), T("还能用"));
    }
};

TEST_P(ClosingMidAction, ReadStopsAndChangesNothing) {
    fillBook(kWorkbookRows);
    std::string seen;
    inImportExport([&](Window& w) {
        seen = closeDuring(w, ImportExportControls::ReadButton, ImportExportControls::ProgressText, "正在读出第 ");
    });
    stoppedPartway(seen, "正在读出第 ");
    expectIntactAndRunning("import_export");
    EXPECT_EQ(storedContacts().size(), static_cast<std::size_t>(kWorkbookRows));
    EXPECT_TRUE((*messages_)->shown.empty());
}

TEST_P(ClosingMidAction, ExportStopsWithoutAWorkbookOrAClaim) {
    fillBook(kWorkbookRows);
    const std::string book = folder_.file("half.xls");
    std::string seen;
    inImportExport([&](Window& w) {
        click(w, ImportExportControls::ReadButton);
        chooser_->answers.push_back(book);
        seen = closeDuring(w, ImportExportControls::ExportButton, ImportExportControls::ProgressText, "正在导出第 ");
    });
    stoppedPartway(seen, "正在导出第 ");
    expectIntactAndRunning("import_export");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(book)));
    EXPECT_TRUE((*messages_)->shown.empty()) << (*messages_)->lastText();
}

// Without the window system keeping the window's record set and connection
// until the import returns, the import closes them after they were freed.
TEST_P(ClosingMidAction, ImportStopsAndClosesTheWorkbook) {
    const std::string book = workbookOfManyRows();
    std::string seen;
    inImportExport([&](Window& w) {
        chooser_->answers.push_back(book);
        seen = closeDuring(w, ImportExportControls::ImportButton, ImportExportControls::ProgressText, "正在导入第 ");
    });
    stoppedPartway(seen, "正在导入第 ");
    expectIntactAndRunning("import_export");
    EXPECT_TRUE(storedContacts().empty());
    EXPECT_TRUE((*messages_)->shown.empty()) << (*messages_)->lastText();
    // The workbook is free again: a new window imports it whole.
    inImportExport([&](Window& w) {
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ImportButton);
        EXPECT_EQ(w.list(T(ImportExportControls::List))->ItemCount(), kWorkbookRows);
    });
}

TEST_P(ClosingMidAction, WriteStopsWithTheRowsItCountedStored) {
    const std::string book = workbookOfManyRows();
    std::string seen;
    inImportExport([&](Window& w) {
        chooser_->answers.push_back(book);
        click(w, ImportExportControls::ImportButton);
        ASSERT_EQ(w.list(T(ImportExportControls::List))->ItemCount(), kWorkbookRows);
        seen = closeDuring(w, ImportExportControls::WriteButton, ImportExportControls::ProgressText, "正在写入第 ");
    });
    const int written = stoppedPartway(seen, "正在写入第 ");
    expectIntactAndRunning("import_export");
    // Every row the window counted, each once, and no more.
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), static_cast<std::size_t>(written));
    std::set<std::string> mobiles;
    for (const auto& contact : stored) mobiles.insert(contact["手机"]);
    EXPECT_EQ(mobiles.size(), stored.size());
    EXPECT_TRUE((*messages_)->shown.empty()) << (*messages_)->lastText();
    EXPECT_EQ(mainWindow().list(T(MainControls::ContactList))->ItemCount(), written);
}

constexpr int kTextRows = 300;

std::string ManyTextLines() {
    std::string text;
    for (int i = 1; i <= kTextRows; ++i)
        text += "t" + std::to_string(i) + "," + std::to_string(13900000000LL + i) + "\r\n";
    return text;
}

TEST_P(ClosingMidAction, TextImportWriteStopsWithTheRowsItCountedStored) {
    const std::string file = folder_.file("many.txt");
    WriteFileBytes(file, ManyTextLines());
    chooser_->answers.push_back(file);
    std::string seen;
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [&](Window& w) {
            click(w, TextImportControls::OpenButton);
            click(w, TextImportControls::SplitButton);
            seen = closeDuring(w, TextImportControls::WriteButton, TextImportControls::StatusLabel, "状态： 共导入 ");
        });
    // The label counts committed rows only; the rows written before the close
    // are committed as the write stops, so the file holds at least as many.
    const int shown = CountIn(seen, "状态： 共导入 ");
    expectIntactAndRunning("text_import");
    const auto stored = storedContacts();
    const int kept = static_cast<int>(stored.size());
    EXPECT_GT(kept, 0) << seen;
    EXPECT_LT(kept, kTextRows) << seen;
    EXPECT_GE(kept, shown) << seen;
    EXPECT_EQ(stored.back()["姓名"], "t" + std::to_string(kept));
    // The window's closing refilled the main list.
    EXPECT_EQ(mainWindow().list(T(MainControls::ContactList))->ItemCount(), kept);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, ClosingMidAction, VARELO_EVERY_CLOSE_WAY);

// ---- one write at a time ----

using TextImportWrite = TransferTest;

TEST_F(TextImportWrite, ButtonsThatStartWorkAreDisabledWhileRowsAreWritten) {
    const std::string file = folder_.file("many.txt");
    WriteFileBytes(file, ManyTextLines());
    chooser_->answers.push_back(file);
    std::map<std::string, bool> enabledDuringWrite;
    runModal(
        "text_import", [this] { open_text_import_window(state_); },
        [&](Window& w) {
            click(w, TextImportControls::OpenButton);
            click(w, TextImportControls::SplitButton);
            QTimer clicker;
            QObject::connect(&clicker, &QTimer::timeout, [&] {
                if (textOf(w, TextImportControls::StatusLabel).rfind("状态： 共导入 ", 0) != 0) return;
                clicker.stop();
                // The clicks a user may make meanwhile: split again, then write.
                for (const char* name : {TextImportControls::OpenButton, TextImportControls::SplitButton,
                                         TextImportControls::InitialsButton, TextImportControls::WriteButton}) {
                    QWidget* button = w.control(T(name)).widget();
                    enabledDuringWrite[name] = button->isEnabled();
                    if (std::string(name) != TextImportControls::OpenButton) QTest::mouseClick(button, Qt::LeftButton);
                }
            });
            clicker.start(0);
            EveryRowLetsEventsRun everyRow;
            click(w, TextImportControls::WriteButton);
            clicker.stop();
            EXPECT_EQ(textOf(w, TextImportControls::StatusLabel),
                      "状态： 共导入 " + std::to_string(kTextRows) + " 条记录");
            // Given back after the write; the write button stays off.
            EXPECT_TRUE(w.control(T(TextImportControls::OpenButton)).enabled());
            EXPECT_TRUE(w.control(T(TextImportControls::SplitButton)).enabled());
            EXPECT_TRUE(w.control(T(TextImportControls::InitialsButton)).enabled());
            EXPECT_FALSE(w.control(T(TextImportControls::WriteButton)).enabled());
        });
    ASSERT_EQ(enabledDuringWrite.size(), 4u) << "the write never let events run";
    for (const auto& [name, enabled] : enabledDuringWrite) EXPECT_FALSE(enabled) << name;
    const auto stored = storedContacts();
    ASSERT_EQ(stored.size(), static_cast<std::size_t>(kTextRows));
    EXPECT_EQ(stored.front()["姓名"], "t1");
    EXPECT_EQ(stored.back()["姓名"], "t" + std::to_string(kTextRows));
    EXPECT_EQ(IntegrityCheck(bookPath()), "ok");
}

}  // namespace
