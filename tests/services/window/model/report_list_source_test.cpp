// The report list showing rows from a source: only the rows drawn, measured
// or asked for are read; it draws, selects and navigates as a list filled row
// by row does; commands that change rows keep their meaning.

#include "services/window/report_list.h"

#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string NameOf(int row) { return "名" + std::to_string(row); }
std::string MobileOf(int row) { return std::to_string(13800000000LL + row); }

// A source of generated rows that records which rows were read.
struct CountingSource {
    int reads = 0;
    std::set<int> rows;
    std::string suffix;  // changes what the source holds, to tell a copy from a read

    ReportList::CellReader reader() {
        return [this](int row, int column) {
            ++reads;
            rows.insert(row);
            return T((column == 0 ? NameOf(row) : MobileOf(row)) + suffix);
        };
    }
};

// The main window's contact list, shown.
class SourceRows : public ::testing::Test {
protected:
    void SetUp() override {
        for (ReportList* list : {&fromSource, &filled}) {
            list->resize(216, 433);
            ListViewDecl decl;
            decl.noHeader = true;
            decl.fullRowSelect = true;
            decl.gridLines = true;
            decl.autoSort = 2;
            list->apply(decl);
            list->InsertColumn(std::nullopt, T("  姓名"), 80);
            list->InsertColumn(std::nullopt, T("   手机"), 120);
            list->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
        }
    }

    // Fills as the contact list did: last record first, each at the top.
    void fill(int count) {
        filled.DeleteAllItems();
        for (int record = count - 1; record >= 0; --record) {
            const int row = filled.InsertItem(0);
            filled.SetItemText(row, 0, T(NameOf(record)));
            filled.SetItemText(row, 1, T(MobileOf(record)));
        }
    }

    // Both lists draw the same, as seen without the focus (only one of the
    // two windows can have it).
    bool sameLook() {
        fromSource.clearFocus();
        filled.clearFocus();
        // The filled list's scroll bars follow its fill by queued events.
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        return fromSource.viewport()->grab().toImage() == filled.viewport()->grab().toImage();
    }

    CountingSource source;
    ReportList fromSource;
    ReportList filled;
};

}  // namespace

TEST_F(SourceRows, AMillionRowsAreShownReadingOnlyTheRowsDrawn) {
    constexpr int kRows = 1000000;
    fromSource.ShowSourceRows(kRows, source.reader());
    EXPECT_TRUE(fromSource.showsSourceRows());
    EXPECT_EQ(fromSource.ItemCount(), kRows);
    QCoreApplication::processEvents();
    source.reads = 0;
    source.rows.clear();
    fromSource.viewport()->repaint();
    const int visible = fromSource.viewport()->height() / fromSource.rowHeight() + 1;
    ASSERT_FALSE(source.rows.empty());
    EXPECT_EQ(*source.rows.begin(), 0);
    EXPECT_LE(*source.rows.rbegin(), visible);
    EXPECT_LE(source.reads, 2 * (visible + 1));

    // The last row, focused from the keyboard: only the rows around it are read.
    source.rows.clear();
    fromSource.setFocus();
    QTest::keyClick(&fromSource, Qt::Key_End);
    fromSource.viewport()->repaint();
    EXPECT_EQ(fromSource.currentSelection(), kRows - 1);
    ASSERT_FALSE(source.rows.empty());
    EXPECT_GE(*source.rows.begin(), kRows - visible - 1);
    EXPECT_EQ(fromSource.GetItemText(kRows - 1, 1).toUtf8(), MobileOf(kRows - 1));
    EXPECT_EQ(fromSource.GetItemText(kRows, 0), Text());
    EXPECT_EQ(fromSource.GetItemText(5, 2), Text());
    EXPECT_EQ(fromSource.itemImage(5), -1);
    EXPECT_EQ(fromSource.itemStateImage(5), 0);
    EXPECT_EQ(fromSource.itemIndent(5), 0);
    EXPECT_EQ(fromSource.itemData(5), 0);

    // Sizing a column to its cells reads a bounded sample, the rows in view among them.
    source.reads = 0;
    source.rows.clear();
    fromSource.SetColumnWidth(1, -1);
    EXPECT_LE(source.reads, 400);
    EXPECT_TRUE(source.rows.count(kRows - 1));
    EXPECT_GE(fromSource.columnWidth(1), fromSource.fontMetrics().horizontalAdvance(QString::number(13801000000LL)));

    // The source is told it changed: the rows are read again, not remembered.
    source.suffix = "改";
    fromSource.refreshRows();
    EXPECT_EQ(fromSource.GetItemText(3).toUtf8(), NameOf(3) + "改");
    fromSource.DeleteAllItems();
    EXPECT_FALSE(fromSource.showsSourceRows());
    EXPECT_EQ(fromSource.ItemCount(), 0);
    EXPECT_EQ(fromSource.ColumnCount(), 2);
}

TEST_F(SourceRows, DrawsSelectsAndNavigatesAsTheFilledList) {
    constexpr int kRows = 120;
    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    for (int row : {0, 57, kRows - 1}) {
        EXPECT_EQ(fromSource.GetItemText(row).toUtf8(), filled.GetItemText(row).toUtf8());
        EXPECT_EQ(fromSource.GetItemText(row, 1).toUtf8(), filled.GetItemText(row, 1).toUtf8());
    }
    EXPECT_TRUE(sameLook());

    QSignalSpy sourceChanged(&fromSource, &ReportList::currentItemChanged);
    QSignalSpy filledChanged(&filled, &ReportList::currentItemChanged);
    QSignalSpy sourceActivated(&fromSource, &ReportList::itemActivated);
    const auto both = [&](const std::function<void(ReportList&)>& act) {
        act(fromSource);
        act(filled);
        EXPECT_EQ(fromSource.currentSelection(), filled.currentSelection());
        EXPECT_EQ(fromSource.focusedRow(), filled.focusedRow());
        EXPECT_EQ(fromSource.verticalScrollBar()->value(), filled.verticalScrollBar()->value());
    };
    both([](ReportList& l) { QTest::mouseClick(l.viewport(), Qt::LeftButton, {}, l.rowRect(3).center()); });
    both([](ReportList& l) { QTest::keyClick(&l, Qt::Key_Down); });
    both([](ReportList& l) { QTest::keyClick(&l, Qt::Key_PageDown); });
    both([](ReportList& l) { QTest::keyClick(&l, Qt::Key_End); });
    both([](ReportList& l) { QTest::keyClick(&l, Qt::Key_PageUp); });
    both([](ReportList& l) { l.setCurrentSelection(90); });
    both([](ReportList& l) { QTest::keyClick(&l, Qt::Key_Return); });
    EXPECT_EQ(fromSource.currentSelection(), 90);
    ASSERT_EQ(sourceActivated.count(), 1);
    EXPECT_EQ(sourceActivated.at(0).at(0).toInt(), 90);
    ASSERT_EQ(sourceChanged.count(), filledChanged.count());
    for (int i = 0; i < sourceChanged.count(); ++i)
        EXPECT_EQ(sourceChanged.at(i).at(0).toInt(), filledChanged.at(i).at(0).toInt());
    EXPECT_TRUE(sameLook());

    // Showing a source anew is a fresh list: nothing selected, the top row first.
    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    EXPECT_EQ(fromSource.currentSelection(), -1);
    EXPECT_EQ(fromSource.focusedRow(), -1);
    EXPECT_EQ(fromSource.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(sameLook());
}

TEST_F(SourceRows, CommandsThatChangeRowsKeepTheirMeaning) {
    constexpr int kRows = 6;
    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    fromSource.setCurrentSelection(2);
    filled.setCurrentSelection(2);

    // Each command on both lists; afterwards the two hold the same cells.
    const auto same = [&] {
        ASSERT_EQ(fromSource.ItemCount(), filled.ItemCount());
        ASSERT_EQ(fromSource.ColumnCount(), filled.ColumnCount());
        for (int row = 0; row < filled.ItemCount(); ++row)
            for (int column = 0; column < filled.ColumnCount(); ++column)
                EXPECT_EQ(fromSource.GetItemText(row, column).toUtf8(), filled.GetItemText(row, column).toUtf8())
                    << row << "," << column;
        EXPECT_EQ(fromSource.currentSelection(), filled.currentSelection());
    };
    for (ReportList* list : {&fromSource, &filled}) list->SetItemText(4, 1, T("改了"));
    same();
    // The edit made the rows the list's own: the source no longer shows through.
    EXPECT_FALSE(fromSource.showsSourceRows());
    source.suffix = "后来";
    same();

    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    source.suffix.clear();
    for (ReportList* list : {&fromSource, &filled}) list->setCurrentSelection(2);
    // Insert-at-top under descending sort, a labelled row placed by its label.
    for (ReportList* list : {&fromSource, &filled}) EXPECT_EQ(list->InsertItem(0), 0);
    same();
    EXPECT_EQ(fromSource.currentSelection(), 3);
    for (ReportList* list : {&fromSource, &filled}) list->InsertItem(std::nullopt, T("名3a"));
    same();

    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    for (ReportList* list : {&fromSource, &filled}) list->InsertColumn(0, T("前"));
    same();
    for (ReportList* list : {&fromSource, &filled}) list->DeleteColumn(1);
    same();

    fromSource.ShowSourceRows(kRows, source.reader());
    fill(kRows);
    for (ReportList* list : {&fromSource, &filled}) list->DeleteColumn(0);
    same();
    // An empty source is an empty list.
    fromSource.ShowSourceRows(0, source.reader());
    EXPECT_EQ(fromSource.ItemCount(), 0);
    EXPECT_FALSE(fromSource.showsSourceRows());
}
