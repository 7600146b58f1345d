// The report list: the ten commands with their argument rules, auto sort
// (record order kept under descending sort), property 35, and events 0 and 1
// through real mouse and keyboard input.

#include "services/window/report_list.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The main window's contact list, shown.
class ContactList : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(216, 433);
        ListViewDecl decl;
        decl.noHeader = true;
        decl.fullRowSelect = true;
        decl.gridLines = true;
        decl.autoSort = ListViewDecl::kSortDescending;
        list.apply(decl);
        list.InsertColumn(std::nullopt, T("  姓名"), 80);
        list.InsertColumn(std::nullopt, T("   手机"), 120);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    // Fills as the contact list does: last record first, each row inserted
    // without text at the top, then its two cells.
    void fill(const std::vector<std::pair<std::string, std::string>>& records) {
        list.DeleteAllItems();
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            const int row = list.InsertItem(0);
            list.SetItemText(row, 0, T(it->first));
            list.SetItemText(row, 1, T(it->second));
        }
    }

    QPoint rowCentre(int row) { return list.rowRect(row).center(); }

    ReportList list;
};

using Labels = std::vector<std::string>;

// Inserts a row for each label, in this order, where the list's sort puts it.
void InsertLabels(ReportList& list, std::initializer_list<const char*> labels) {
    for (const char* label : labels) list.InsertItem(std::nullopt, T(label));
}

// The rows' labels, top to bottom, UTF-8.
Labels LabelsOf(const ReportList& list) {
    Labels labels;
    for (int row = 0; row < list.ItemCount(); ++row) labels.push_back(list.GetItemText(row).toUtf8());
    return labels;
}

}  // namespace

TEST(ReportListCommands, InsertItemArgumentRules) {
    ReportList list;
    EXPECT_EQ(list.InsertItem(), 0);
    EXPECT_EQ(list.InsertItem(), 1);
    EXPECT_EQ(list.ItemCount(), 2);
    // An index past the end appends.
    EXPECT_EQ(list.InsertItem(5, T("五")), 2);
    EXPECT_EQ(list.InsertItem(-4, T("尾")), 3);
    EXPECT_EQ(list.InsertItem(1, T("中")), 1);
    EXPECT_EQ(list.GetItemText(1), T("中"));
    EXPECT_EQ(list.GetItemText(3), T("五"));

    const int row = list.InsertItem(std::nullopt, T("x"), -7, -5, -3, 99);
    EXPECT_EQ(list.itemImage(row), -1);
    EXPECT_EQ(list.itemStateImage(row), 0);
    EXPECT_EQ(list.itemIndent(row), 0);
    EXPECT_EQ(list.itemData(row), 99);
    const int other = list.InsertItem(std::nullopt, T("y"), 4, 2, 3);
    EXPECT_EQ(list.itemImage(other), 4);
    EXPECT_EQ(list.itemStateImage(other), 3);
    EXPECT_EQ(list.itemIndent(other), 3);
    EXPECT_EQ(list.itemData(other), 0);
}

TEST(ReportListCommands, ColumnsAndCells) {
    ReportList list;
    EXPECT_EQ(list.InsertColumn(std::nullopt, T("姓名"), 80), 0);
    EXPECT_EQ(list.InsertColumn(std::nullopt, T("手机"), 120, ReportList::kAlignRight), 1);
    // Only a title: a third column, 50 wide, left aligned.
    EXPECT_EQ(list.InsertColumn(std::nullopt, T("QQ")), 2);
    EXPECT_EQ(list.columnWidth(2), 50);
    EXPECT_EQ(list.columnAlignment(2), 0);
    EXPECT_EQ(list.columnAlignment(1), 2);
    EXPECT_EQ(list.InsertColumn(9, T("负宽"), -10), 3);
    EXPECT_EQ(list.columnWidth(3), 0);
    EXPECT_EQ(list.ColumnCount(), 4);
    EXPECT_EQ(list.GetColumnTitle(1), T("手机"));
    EXPECT_EQ(list.GetColumnTitle(4), Text());
    EXPECT_EQ(list.GetColumnTitle(-1), Text());

    const int row = list.InsertItem(std::nullopt, T("张三"));
    list.SetItemText(row, 1, T("13800000000"));
    list.SetItemText(row, 2);  // text omitted: empty
    list.SetItemText(row, 7, T("没有这列"));
    list.SetItemText(9, 0, T("没有这行"));
    EXPECT_EQ(list.GetItemText(row), T("张三"));
    EXPECT_EQ(list.GetItemText(row, 1), T("13800000000"));
    EXPECT_EQ(list.GetItemText(row, 2), Text());
    EXPECT_EQ(list.GetItemText(row, 7), Text());
    EXPECT_EQ(list.GetItemText(5, 0), Text());

    // Deleting a column shifts the cells after it.
    list.DeleteColumn(0);
    EXPECT_EQ(list.ColumnCount(), 3);
    EXPECT_EQ(list.GetItemText(row, 0), T("13800000000"));
    list.DeleteColumn(10);
    EXPECT_EQ(list.ColumnCount(), 3);

    // Rows go, columns stay.
    list.DeleteAllItems();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.ColumnCount(), 3);
}

TEST(ReportListCommands, LongCellsAndTitles) {
    ReportList list;
    list.InsertColumn(std::nullopt, Text::fromBytes(std::string(3000, 't')));
    EXPECT_EQ(list.GetColumnTitle(0).size(), 1023u);
    // A title is not cut inside a two-byte character.
    list.InsertColumn(std::nullopt, Text::fromBytes(std::string(1022, 'b')) + T("中"));
    EXPECT_EQ(list.GetColumnTitle(1), Text::fromBytes(std::string(1022, 'b')));
    // The euro sign is one byte: it fits as the last one.
    list.InsertColumn(std::nullopt, Text::fromBytes(std::string(1022, 'e')) + T("€中"));
    EXPECT_EQ(list.GetColumnTitle(2), Text::fromBytes(std::string(1022, 'e')) + T("€"));
    const Text longText = Text::fromBytes(std::string(3000, 'x'));
    list.InsertItem(std::nullopt, longText);
    EXPECT_EQ(list.GetItemText(0), longText);
}

TEST(ReportListCommands, ColumnWidthRules) {
    ReportList list;
    list.resize(400, 200);
    list.InsertColumn(std::nullopt, T("姓名"), 200);
    list.InsertColumn(std::nullopt, T("很长很长的标题"), 30);
    list.InsertColumn(std::nullopt, T("手机"), 30);
    list.InsertItem(std::nullopt, T("一个相当长的名字在这里"));
    list.SetColumnWidth(0, 77);
    EXPECT_EQ(list.columnWidth(0), 77);
    // -1: the widest cell.
    list.SetColumnWidth(0);
    const int widest = list.fontMetrics().horizontalAdvance(QStringLiteral("一个相当长的名字在这里"));
    EXPECT_GE(list.columnWidth(0), widest);
    EXPECT_LT(list.columnWidth(0), widest + 30);
    // -2 (and anything below): the wider of the title and the cells.
    list.SetColumnWidth(1, -5);
    const int title = list.header()->fontMetrics().horizontalAdvance(QStringLiteral("很长很长的标题"));
    EXPECT_GE(list.columnWidth(1), title);
    EXPECT_LT(list.columnWidth(1), title + 30);
    list.SetColumnWidth(0, -2);
    EXPECT_GE(list.columnWidth(0), widest);
    EXPECT_LT(list.columnWidth(0), widest + 30);
    list.SetColumnWidth(5, 10);  // no such column: nothing
}

TEST(ReportListCommands, ADeclaredHeaderShowsItsColumnTitles) {
    // The import/export list: a header declared, columns inserted at run time.
    ReportList list;
    list.resize(853, 416);
    ListViewDecl decl;
    decl.noHeader = false;
    decl.fullRowSelect = true;
    decl.gridLines = true;
    list.apply(decl);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.InsertColumn(std::nullopt, T("姓名"));
    list.InsertColumn(std::nullopt, T("手机"));
    list.SetItemText(list.InsertItem(std::nullopt, T("张三")), 1, T("13800138000"));
    list.SetColumnWidth(1, -2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.header()->isVisible());
    EXPECT_GE(list.header()->height(), list.header()->fontMetrics().height());
    // The rows start below the titles, and the number reads whole.
    EXPECT_GE(list.viewport()->geometry().top(), list.header()->geometry().bottom());
    EXPECT_GE(list.columnWidth(1), list.fontMetrics().horizontalAdvance(QStringLiteral("13800138000")));
}

TEST(ReportListCommands, AscendingSortPlacesRowsByLabelAtInsertion) {
    ReportList list;
    list.setAutoSort(ListViewDecl::kSortAscending);
    InsertLabels(list, {"b", "D", "a"});
    list.InsertItem(0, T("c"));  // the index does not matter under auto sort
    EXPECT_EQ(LabelsOf(list), (Labels{"a", "b", "c", "D"}));
    // Changing a label afterwards moves nothing.
    list.SetItemText(0, 0, T("z"));
    EXPECT_EQ(list.GetItemText(0), T("z"));
}

// Labels compare without the case of one-byte letters only: 丄 (0x81 0x41)
// sorts before 乤 (0x81 0x61) and is not taken for it.
TEST(ReportListCommands, SortFoldsOnlyOneByteLetters) {
    ReportList list;
    list.setAutoSort(ListViewDecl::kSortAscending);
    InsertLabels(list, {"乤", "丄", "B丄", "b乤", "a"});
    EXPECT_EQ(LabelsOf(list), (Labels{"a", "B丄", "b乤", "丄", "乤"}));
}

// Auto sort places names where the book lists them: by their pinyin, level-2
// and traditional characters included.
TEST(ReportListCommands, SortPlacesNamesInTheBooksOrder) {
    ReportList list;
    list.setAutoSort(1);
    InsertLabels(list, {"左明", "瞿秋白", "張學友", "查理", "赵六", "Bob"});
    EXPECT_EQ(LabelsOf(list), (Labels{"Bob", "查理", "瞿秋白", "張學友", "赵六", "左明"}));
}

TEST(ReportListCommands, DescendingSortPlacesRowsByLabelAtInsertion) {
    ReportList list;
    list.setAutoSort(ListViewDecl::kSortDescending);
    InsertLabels(list, {"b", "c", "a"});
    EXPECT_EQ(LabelsOf(list), (Labels{"c", "b", "a"}));
    // A row without text goes to the top.
    EXPECT_EQ(list.InsertItem(std::nullopt), 0);
    EXPECT_EQ(list.InsertItem(3, Text()), 0);
}

TEST_F(ContactList, FilledFromTheLastRecordKeepsRecordOrderUnderDescendingSort) {
    const std::vector<std::pair<std::string, std::string>> records = {
        {"阿明", "13800000001"}, {"张三", "13800000002"}, {"李四", "13800000003"}, {"Bob", "13800000004"}};
    fill(records);
    ASSERT_EQ(list.ItemCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.GetItemText(i), T(records[static_cast<std::size_t>(i)].first));
        EXPECT_EQ(list.GetItemText(i, 1), T(records[static_cast<std::size_t>(i)].second));
    }
    // The hidden header still counts its columns.
    EXPECT_TRUE(list.header()->isHidden());
    EXPECT_EQ(list.ColumnCount(), 2);
}

TEST_F(ContactList, CurrentSelectionProperty) {
    fill({{"甲", "1"}, {"乙", "2"}, {"丙", "3"}, {"丁", "4"}});
    EXPECT_EQ(list.currentSelection(), -1);
    QSignalSpy changed(&list, &ReportList::currentItemChanged);
    list.setCurrentSelection(2);
    EXPECT_EQ(list.currentSelection(), 2);
    EXPECT_EQ(list.focusedRow(), 2);
    EXPECT_EQ(changed.count(), 1);
    list.setCurrentSelection(-7);
    EXPECT_EQ(list.currentSelection(), -1);
    EXPECT_EQ(changed.count(), 1);  // losing the selection raises nothing
    list.setCurrentSelection(9);
    EXPECT_EQ(list.currentSelection(), -1);

    list.setSingleSelection(false);
    list.setCurrentSelection(3);
    EXPECT_EQ(list.currentSelection(), -1);
}

TEST_F(ContactList, RowsInsertedAboveKeepTheFocusedRow) {
    fill({{"甲", "1"}, {"乙", "2"}});
    list.setCurrentSelection(1);
    QSignalSpy changed(&list, &ReportList::currentItemChanged);
    list.InsertItem(0);
    EXPECT_EQ(list.currentSelection(), 2);
    EXPECT_EQ(list.GetItemText(list.currentSelection()), T("乙"));
    EXPECT_EQ(changed.count(), 0);
    list.DeleteAllItems();
    EXPECT_EQ(list.currentSelection(), -1);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ContactList, CurrentItemChangedOncePerFocusChange) {
    fill({{"甲", "1"}, {"乙", "2"}, {"丙", "3"}});
    QSignalSpy changed(&list, &ReportList::currentItemChanged);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rowCentre(1));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    EXPECT_EQ(list.currentSelection(), 1);
    // The same row again: no change.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(changed.count(), 1);
    // Keyboard.
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).toInt(), 2);
    QTest::keyClick(&list, Qt::Key_Down);  // already the last row
    EXPECT_EQ(changed.count(), 2);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(list.currentSelection(), 0);
    // A click below the rows clears the selection and raises nothing.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 3));
    EXPECT_EQ(list.currentSelection(), -1);
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(ContactList, ItemActivatedByDoubleClickOrEnter) {
    fill({{"甲", "1"}, {"乙", "2"}});
    QSignalSpy activated(&list, &ReportList::itemActivated);
    QSignalSpy changed(&list, &ReportList::currentItemChanged);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rowCentre(1));
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 1);
    EXPECT_EQ(changed.count(), 1);
    QTest::keyClick(&list, Qt::Key_Up);
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated.at(1).at(0).toInt(), 0);
    // A double click below the rows activates nothing.
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.viewport()->height() - 3));
    EXPECT_EQ(activated.count(), 2);
}

TEST_F(ContactList, FocusedRowScrollsIntoView) {
    std::vector<std::pair<std::string, std::string>> records;
    for (int i = 0; i < 200; ++i) records.push_back({"名" + std::to_string(i), std::to_string(i)});
    fill(records);
    QCoreApplication::processEvents();
    list.setCurrentSelection(150);
    const int first = list.verticalScrollBar()->value();
    EXPECT_LE(first, 150);
    EXPECT_GT(first + list.viewport()->height() / list.rowHeight(), 150);
    EXPECT_EQ(list.rowAt(list.rowRect(150).center()), 150);
}
