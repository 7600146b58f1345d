#pragma once
// Report list box: a multi-column list in report view. Rows live in a deque so
// that inserting at the top (how the contact list is filled, from the last
// record to the first) costs the same as appending; the widget paints only
// the rows in view, so filling it is linear in the rows.
//
// Rows and columns are 0-based; column 0 is the row's label. Auto sort places
// a row by its label at insertion; a row inserted without text goes to the
// top, so that filling from the last record to the first yields record order.
//
// A list of many rows is shown from a source instead: the list is told how
// many rows there are and asks a cell reader for the cells of the rows it
// draws, measures or is asked for, holding no copy of them. Row i is source
// row i: auto sort places only inserted rows, so it never reorders a source.
// A command that changes rows (InsertItem, SetItemText, InsertColumn,
// DeleteColumn) first turns the source rows into rows of the list's own.

#include "services/core/text.h"
#include "services/window/decl.h"

#include <QAbstractScrollArea>
#include <QColor>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QHeaderView;
class QStandardItemModel;

class ReportList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);
    ~ReportList() override;

    // ---- the ten commands ----

    // index omitted or negative, or past the end: appended. image used only
    // when at least -1 (else -1); state image n stored as n + 1 (below -1
    // counts as -1); negative indent becomes 0. Returns the new row's index.
    int InsertItem(std::optional<int> index = std::nullopt, std::optional<Text> text = std::nullopt,
                   std::optional<int> image = std::nullopt, std::optional<int> stateImage = std::nullopt,
                   std::optional<int> indent = std::nullopt, std::optional<std::int64_t> data = std::nullopt);
    // Sets one cell; an unknown row or column changes nothing. Never moves a row.
    void SetItemText(int row, int column = 0, const Text& text = Text());
    // The whole text of the cell; empty for an unknown row or column.
    Text GetItemText(int row, int column = 0) const;
    int ItemCount() const;
    // Removes all rows; the columns stay.
    void DeleteAllItems();
    // index omitted, negative or past the end: after the last column. Width
    // omitted: 50; negative: 0. Alignment kAlignLeft, kAlignCentre or kAlignRight.
    static constexpr int kAlignLeft = 0;
    static constexpr int kAlignCentre = 1;
    static constexpr int kAlignRight = 2;
    int InsertColumn(std::optional<int> index = std::nullopt, const Text& title = Text(),
                     std::optional<int> width = std::nullopt, int alignment = kAlignLeft,
                     std::optional<int> image = std::nullopt, bool imageOnRight = false);
    // -1: the widest cell; -2 (and anything below): the title (the last
    // column fills the rest of the view).
    void SetColumnWidth(int column, int width = -1);
    // Number of columns, also when the header is hidden.
    int ColumnCount() const;
    void DeleteColumn(int column);
    // At most 1023 bytes; empty for an unknown column.
    Text GetColumnTitle(int column) const;

    // ---- rows from a source ----
    // The text of a cell of a source row; asked only for rows below the count
    // and columns below ColumnCount().
    using CellReader = std::function<Text(int row, int column)>;
    // Replaces every row by `count` rows read through `reader`, as
    // DeleteAllItems followed by inserting them would: no selection, no
    // focused row, the first row at the top.
    void ShowSourceRows(int count, CellReader reader);
    // True while the rows come from a source.
    bool showsSourceRows() const { return static_cast<bool>(reader_); }
    // Draws the rows again, reading their cells anew (a source row changed).
    void refreshRows();

    // ---- property 35: current selection ----
    // The selected row, -1 when none.
    int currentSelection() const;
    // Single selection only: a row >= 0 is selected and focused, -1 (or less)
    // clears the selection. Ignored with single selection off.
    void setCurrentSelection(int row);
    // The focused row, -1 when none.
    int focusedRow() const { return focused_; }

    // ---- properties ----
    void setBorder(Border border);
    Border border() const { return border_; }
    void setTextColour(const QColor& colour);
    QColor textColour() const { return textColour_; }
    void setTextBackColour(const QColor& colour);
    QColor textBackColour() const { return textBack_; }
    void setBackColour(const QColor& colour);
    QColor backColour() const { return back_; }
    void setNoHeader(bool noHeader);
    bool noHeader() const { return noHeader_; }
    void setHeaderClickable(bool clickable);
    void setHeaderDragDrop(bool enabled);
    void setFullRowSelect(bool on);
    bool fullRowSelect() const { return fullRow_; }
    void setGridLines(bool on);
    bool gridLines() const { return grid_; }
    // ListViewDecl::kNoSort, kSortAscending or kSortDescending (clamped).
    void setAutoSort(int sort);
    int autoSort() const { return sort_; }
    void setSingleSelection(bool single);
    bool singleSelection() const { return single_; }
    // Applies every property of a declaration.
    void apply(const ListViewDecl& decl);

    // ---- row and column details ----
    int itemImage(int row) const;
    int itemStateImage(int row) const;
    int itemIndent(int row) const;
    std::int64_t itemData(int row) const;
    int columnWidth(int column) const;
    int columnAlignment(int column) const;
    int rowHeight() const;
    // The row at a point of the viewport, -1 when none.
    int rowAt(const QPoint& viewportPoint) const;
    // The row's rectangle in the viewport.
    QRect rowRect(int row) const;
    void scrollToRow(int row);
    QHeaderView* header() const { return header_; }

signals:
    // Event 0: a row received the focus it did not have (mouse, keyboard or program).
    void currentItemChanged(int row);
    // Event 1: double click or Enter on a row.
    void itemActivated(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        std::vector<Text> cells;  // cell 0 is the label; missing cells are empty
        int image = -1;
        int state = 0;
        int indent = 0;
        std::int64_t data = 0;
    };
    struct Column {
        Text title;
        int alignment = 0;
        int image = -1;
        bool imageOnRight = false;
    };

    int sortedPosition(const Text& label) const;
    // Rows of the list's own (none while the rows come from a source).
    int heldCount() const { return static_cast<int>(rows_.size()); }
    // The cell's text, from the source or from the held rows.
    Text cellText(int row, int column) const;
    // Turns source rows into held rows, before a command changes rows.
    void holdSourceRows();
    // The rows SetColumnWidth measures: every held row; of a source, the
    // first rows and those in view, so that sizing never reads a whole book.
    std::vector<int> measuredRows() const;
    void focusRow(int row, bool select);
    void layoutHeader();
    void updateScrollBars();
    void scheduleScrollBars();
    int textWidth(const Text& text) const;
    // Whole rows the viewport shows, at least one.
    int visibleRows() const;
    // Width of all columns together.
    int columnsWidth() const;

    std::deque<Row> rows_;
    CellReader reader_;    // set while the rows come from a source; rows_ is then empty
    int sourceCount_ = 0;  // the source's rows
    std::vector<Column> columns_;
    QStandardItemModel* headerModel_ = nullptr;
    QHeaderView* header_ = nullptr;

    int focused_ = -1;
    int selected_ = -1;
    Border border_ = Border::Sunken;
    QColor textColour_ = Qt::black;
    QColor textBack_ = Qt::white;
    QColor back_ = Qt::white;
    bool noHeader_ = false;
    bool fullRow_ = false;
    bool grid_ = false;
    int sort_ = 0;
    bool single_ = true;
    bool scrollBarsPending_ = false;
};
