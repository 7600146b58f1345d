#include "services/window/report_list.h"

#include "services/core/gbk_walk.h"
#include "services/core/pinyin_order.h"
#include "services/window/frame_border.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>

#include <algorithm>

namespace {

constexpr int kDefaultColumnWidth = 50;
constexpr int kCellPadding = 6;
constexpr std::size_t kMaxTitleBytes = 1023;
// Rows of a source measured from the top when a column is sized to its cells.
constexpr int kMeasuredSourceRows = 200;

// Labels are names: auto sort places them in the order the book lists them.
int CompareLabels(const Text& a, const Text& b) { return pinyin_order::CompareGbkNames(a.bytes(), b.bytes()); }

Qt::Alignment AlignmentOf(int alignment) {
    switch (alignment) {
    case 1: return Qt::AlignHCenter | Qt::AlignVCenter;
    case 2: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Cuts a text to at most n bytes without leaving half a two-byte character.
Text CutBytes(const Text& t, std::size_t n) {
    if (t.size() <= n) return t;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t step = gbk::CharLength(t.bytes(), i);
        if (i + step > n) break;
        i += step;
    }
    return Text::fromBytes(t.data(), i);
}

}  // namespace

ReportList::ReportList(QWidget* parent) : QAbstractScrollArea(parent) {
    headerModel_ = new QStandardItemModel(0, 0, this);
    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setModel(headerModel_);
    header_->setSectionsClickable(true);
    header_->setStretchLastSection(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setMinimumSectionSize(0);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(header_, &QHeaderView::sectionMoved, this, [this] { viewport()->update(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, header_, [this](int v) { header_->setOffset(v); });
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(8);
    setBorder(Border::Sunken);
    layoutHeader();
}

ReportList::~ReportList() = default;

// ---- commands ----

int ReportList::sortedPosition(const Text& label) const {
    // A row without a label goes to the top; that is what keeps a list filled
    // from the last record to the first in record order.
    if (label.empty()) return 0;
    int lo = 0, hi = static_cast<int>(rows_.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const Text& other = rows_[static_cast<std::size_t>(mid)].cells[0];
        const int c = CompareLabels(other, label);
        const bool before = sort_ == 1 ? c <= 0 : c >= 0;
        if (before) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

int ReportList::InsertItem(std::optional<int> index, std::optional<Text> text, std::optional<int> image,
                           std::optional<int> stateImage, std::optional<int> indent, std::optional<std::int64_t> data) {
    holdSourceRows();
    Row row;
    row.cells.resize(std::max<std::size_t>(1, columns_.size()));
    if (text) row.cells[0] = *text;
    row.image = image && *image >= -1 ? *image : -1;
    row.state = std::max(stateImage.value_or(-1), -1) + 1;
    row.indent = std::max(indent.value_or(0), 0);
    row.data = data.value_or(0);

    const int count = static_cast<int>(rows_.size());
    int at;
    if (sort_ != 0) at = sortedPosition(row.cells[0]);
    else at = !index || *index < 0 || *index > count ? count : *index;

    if (at == 0) rows_.push_front(std::move(row));
    else if (at == count) rows_.push_back(std::move(row));
    else rows_.insert(rows_.begin() + at, std::move(row));

    if (focused_ >= at) ++focused_;
    if (selected_ >= at) ++selected_;
    scheduleScrollBars();
    viewport()->update();
    return at;
}

void ReportList::SetItemText(int row, int column, const Text& text) {
    if (row < 0 || row >= ItemCount()) return;
    if (column < 0 || (column > 0 && column >= ColumnCount())) return;
    holdSourceRows();
    auto& cells = rows_[static_cast<std::size_t>(row)].cells;
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = text;
    viewport()->update();
}

Text ReportList::GetItemText(int row, int column) const {
    if (row < 0 || row >= ItemCount()) return {};
    if (column < 0 || (column > 0 && column >= ColumnCount())) return {};
    return cellText(row, column);
}

Text ReportList::cellText(int row, int column) const {
    if (reader_) return column < ColumnCount() ? reader_(row, column) : Text();
    const auto& cells = rows_[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : Text();
}

int ReportList::ItemCount() const { return reader_ ? sourceCount_ : static_cast<int>(rows_.size()); }

void ReportList::DeleteAllItems() {
    rows_.clear();
    reader_ = nullptr;
    sourceCount_ = 0;
    focused_ = -1;
    selected_ = -1;
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

int ReportList::InsertColumn(std::optional<int> index, const Text& title, std::optional<int> width, int alignment,
                             std::optional<int> image, bool imageOnRight) {
    const int count = ColumnCount();
    const int at = !index || *index < 0 || *index > count ? count : *index;
    Column column;
    column.title = title;
    column.alignment = alignment >= 0 && alignment <= 2 ? alignment : 0;
    column.image = image && *image >= -1 ? *image : -1;
    column.imageOnRight = imageOnRight;
    holdSourceRows();
    columns_.insert(columns_.begin() + at, column);
    // Cells of the rows shift with their columns.
    for (auto& row : rows_)
        if (row.cells.size() > static_cast<std::size_t>(at)) row.cells.insert(row.cells.begin() + at, Text());
    headerModel_->insertColumns(at, 1);
    auto* item = new QStandardItem(title.toQString());
    item->setTextAlignment(AlignmentOf(column.alignment));
    headerModel_->setHorizontalHeaderItem(at, item);
    header_->resizeSection(at, std::max(width.value_or(kDefaultColumnWidth), 0));
    // The header's height follows its first column.
    layoutHeader();
    viewport()->update();
    return at;
}

int ReportList::textWidth(const Text& text) const { return fontMetrics().horizontalAdvance(text.toQString()); }

void ReportList::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= ColumnCount()) return;
    if (width < -2) width = -2;
    int pixels = width;
    if (width == -1) {
        int widest = 0;
        for (const int row : measuredRows()) widest = std::max(widest, textWidth(cellText(row, column)));
        pixels = widest + 2 * kCellPadding;
    } else if (width == -2) {
        // The wider of the title and the cells, so that every value reads whole.
        pixels =
            header_->fontMetrics().horizontalAdvance(columns_[static_cast<std::size_t>(column)].title.toQString()) +
            3 * kCellPadding;
        for (const int row : measuredRows())
            pixels = std::max(pixels, textWidth(cellText(row, column)) + 2 * kCellPadding);
        if (column == ColumnCount() - 1) {
            int others = 0;
            for (int c = 0; c < column; ++c) others += header_->sectionSize(c);
            pixels = std::max(pixels, viewport()->width() - others);
        }
    }
    header_->resizeSection(column, pixels);
}

std::vector<int> ReportList::measuredRows() const {
    std::vector<int> rows;
    const int count = ItemCount();
    if (!reader_) {
        rows.resize(static_cast<std::size_t>(count));
        for (int r = 0; r < count; ++r) rows[static_cast<std::size_t>(r)] = r;
        return rows;
    }
    const int top = std::min(count, kMeasuredSourceRows);
    for (int r = 0; r < top; ++r) rows.push_back(r);
    const int first = std::max(top, verticalScrollBar()->value());
    for (int r = first; r < std::min(count, first + visibleRows() + 1); ++r) rows.push_back(r);
    return rows;
}

int ReportList::ColumnCount() const { return static_cast<int>(columns_.size()); }

void ReportList::DeleteColumn(int column) {
    if (column < 0 || column >= ColumnCount()) return;
    holdSourceRows();
    columns_.erase(columns_.begin() + column);
    for (auto& row : rows_) {
        if (static_cast<std::size_t>(column) < row.cells.size()) row.cells.erase(row.cells.begin() + column);
        if (row.cells.empty()) row.cells.resize(1);
    }
    headerModel_->removeColumns(column, 1);
    layoutHeader();
    viewport()->update();
}

Text ReportList::GetColumnTitle(int column) const {
    if (column < 0 || column >= ColumnCount()) return {};
    return CutBytes(columns_[static_cast<std::size_t>(column)].title, kMaxTitleBytes);
}

// ---- rows from a source ----

void ReportList::ShowSourceRows(int count, CellReader reader) {
    DeleteAllItems();
    if (!reader || count <= 0) return;
    reader_ = std::move(reader);
    sourceCount_ = count;
    updateScrollBars();
    viewport()->update();
}

void ReportList::refreshRows() { viewport()->update(); }

void ReportList::holdSourceRows() {
    if (!reader_) return;
    const CellReader reader = std::move(reader_);
    reader_ = nullptr;
    const std::size_t columns = std::max<std::size_t>(1, columns_.size());
    for (int r = 0; r < sourceCount_; ++r) {
        Row row;
        row.cells.resize(columns);
        for (std::size_t c = 0; c < columns_.size(); ++c) row.cells[c] = reader(r, static_cast<int>(c));
        rows_.push_back(std::move(row));
    }
    sourceCount_ = 0;
}

// ---- selection and focus ----

int ReportList::currentSelection() const { return selected_; }

void ReportList::setCurrentSelection(int row) {
    if (!single_) return;
    if (row < 0) {
        selected_ = -1;
        viewport()->update();
        return;
    }
    if (row >= ItemCount()) return;
    focusRow(row, true);
}

void ReportList::focusRow(int row, bool select) {
    if (select) selected_ = row;
    const bool changed = row != focused_;
    focused_ = row;
    scrollToRow(row);
    viewport()->update();
    if (changed && row >= 0) emit currentItemChanged(row);
}

void ReportList::scrollToRow(int row) {
    if (row < 0) return;
    updateScrollBars();
    const int first = verticalScrollBar()->value();
    const int visible = visibleRows();
    if (row < first) verticalScrollBar()->setValue(row);
    else if (row >= first + visible) verticalScrollBar()->setValue(row - visible + 1);
}

// ---- properties ----

void ReportList::setBorder(Border border) {
    border_ = border;
    ApplyFrameBorder(this, border);
    layoutHeader();
}

void ReportList::setTextColour(const QColor& colour) {
    textColour_ = colour;
    viewport()->update();
}
void ReportList::setTextBackColour(const QColor& colour) {
    textBack_ = colour;
    viewport()->update();
}
void ReportList::setBackColour(const QColor& colour) {
    back_ = colour;
    viewport()->update();
}

void ReportList::setNoHeader(bool noHeader) {
    noHeader_ = noHeader;
    header_->setVisible(!noHeader);
    layoutHeader();
}

void ReportList::setHeaderClickable(bool clickable) { header_->setSectionsClickable(clickable); }
void ReportList::setHeaderDragDrop(bool enabled) { header_->setSectionsMovable(enabled); }
void ReportList::setFullRowSelect(bool on) {
    fullRow_ = on;
    viewport()->update();
}
void ReportList::setGridLines(bool on) {
    grid_ = on;
    viewport()->update();
}
void ReportList::setAutoSort(int sort) { sort_ = std::clamp(sort, 0, 2); }

void ReportList::setSingleSelection(bool single) { single_ = single; }

void ReportList::apply(const ListViewDecl& decl) {
    setBorder(decl.border);
    setNoHeader(decl.noHeader);
    setHeaderClickable(decl.headerClickable);
    setHeaderDragDrop(decl.headerDragDrop);
    setFullRowSelect(decl.fullRowSelect);
    setGridLines(decl.gridLines);
    setAutoSort(decl.autoSort);
    setSingleSelection(decl.singleSelection);
    if (decl.textBackColour)
        setTextBackColour(QColor(decl.textBackColour->red, decl.textBackColour->green, decl.textBackColour->blue));
}

// ---- details ----

int ReportList::itemImage(int row) const {
    return row >= 0 && row < heldCount() ? rows_[static_cast<std::size_t>(row)].image : -1;
}
int ReportList::itemStateImage(int row) const {
    return row >= 0 && row < heldCount() ? rows_[static_cast<std::size_t>(row)].state : 0;
}
int ReportList::itemIndent(int row) const {
    return row >= 0 && row < heldCount() ? rows_[static_cast<std::size_t>(row)].indent : 0;
}
std::int64_t ReportList::itemData(int row) const {
    return row >= 0 && row < heldCount() ? rows_[static_cast<std::size_t>(row)].data : 0;
}
int ReportList::columnWidth(int column) const {
    return column >= 0 && column < ColumnCount() ? header_->sectionSize(column) : 0;
}
int ReportList::columnAlignment(int column) const {
    return column >= 0 && column < ColumnCount() ? columns_[static_cast<std::size_t>(column)].alignment : 0;
}

int ReportList::rowHeight() const { return fontMetrics().height() + 4; }

int ReportList::visibleRows() const { return std::max(1, viewport()->height() / rowHeight()); }

int ReportList::columnsWidth() const {
    int total = 0;
    for (int c = 0; c < ColumnCount(); ++c) total += header_->sectionSize(c);
    return total;
}

int ReportList::rowAt(const QPoint& p) const {
    if (p.y() < 0) return -1;
    const int row = verticalScrollBar()->value() + p.y() / rowHeight();
    return row < ItemCount() ? row : -1;
}

QRect ReportList::rowRect(int row) const {
    const int y = (row - verticalScrollBar()->value()) * rowHeight();
    return QRect(0, y, viewport()->width(), rowHeight());
}

// ---- layout ----

void ReportList::layoutHeader() {
    // A header without sections reports no height; it gets its text's.
    const int h = noHeader_ ? 0 : std::max(header_->sizeHint().height(), header_->fontMetrics().height() + 6);
    setViewportMargins(0, h, 0, 0);
    const QRect vg = viewport()->geometry();
    header_->setGeometry(vg.left(), vg.top() - h, vg.width(), h);
    updateScrollBars();
}

void ReportList::scheduleScrollBars() {
    // A fill inserts many rows in one go; the scroll bars follow once after it.
    if (scrollBarsPending_) return;
    scrollBarsPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
}

void ReportList::updateScrollBars() {
    scrollBarsPending_ = false;
    const int visible = visibleRows();
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, ItemCount() - visible));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, columnsWidth() - viewport()->width()));
}

void ReportList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutHeader();
}

void ReportList::scrollContentsBy(int, int) { viewport()->update(); }

void ReportList::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        header_->setFont(font());
        layoutHeader();
        viewport()->update();
    }
}

// ---- painting ----

void ReportList::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    p.fillRect(area, back_);
    const int h = rowHeight();
    const int first = verticalScrollBar()->value();
    const int xoff = -horizontalScrollBar()->value();
    const int columns = ColumnCount();
    const QPalette& pal = palette();
    const QColor highlight = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    const QColor highlightText =
        pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText);
    p.setFont(font());
    const int totalWidth = columnsWidth();

    for (int r = first, y = 0; r < ItemCount() && y < area.height(); ++r, y += h) {
        // Source rows have the attributes of a row inserted without any.
        const int indent = reader_ ? 0 : rows_[static_cast<std::size_t>(r)].indent;
        const bool selected = r == selected_;
        for (int visual = 0; visual < columns; ++visual) {
            const int c = header_->logicalIndex(visual);
            const int x = xoff + header_->sectionPosition(c);
            const int w = header_->sectionSize(c);
            if (x + w < 0 || x > area.width() || w <= 0) continue;
            const QRect cell(x, y, w, h);
            const bool paintSelected = selected && (fullRow_ || c == 0);
            p.fillRect(cell, paintSelected ? highlight : textBack_);
            const Text text = cellText(r, c);
            if (text.empty()) continue;
            p.setPen(paintSelected ? highlightText : textColour_);
            const QRect inner = cell.adjusted(kCellPadding + (c == 0 ? indent * 16 : 0), 0, -kCellPadding, 0);
            const QString shown = p.fontMetrics().elidedText(text.toQString(), Qt::ElideRight, inner.width());
            p.drawText(inner, int(AlignmentOf(columns_[static_cast<std::size_t>(c)].alignment)) | Qt::TextSingleLine,
                       shown);
        }
        if (r == focused_ && hasFocus()) {
            QRect focus(xoff, y, fullRow_ ? totalWidth : (columns > 0 ? header_->sectionSize(0) : area.width()), h);
            p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(focus.adjusted(0, 0, -1, -1));
        }
    }

    if (grid_) {
        p.setPen(pal.color(QPalette::Midlight).darker(110));
        for (int y = h - 1; y < area.height(); y += h) p.drawLine(xoff, y, xoff + totalWidth - 1, y);
        for (int visual = 0; visual < columns; ++visual) {
            const int c = header_->logicalIndex(visual);
            const int x = xoff + header_->sectionPosition(c) + header_->sectionSize(c) - 1;
            p.drawLine(x, 0, x, area.height());
        }
    }
}

// ---- mouse and keys ----

void ReportList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        const int row = rowAt(event->position().toPoint());
        if (row >= 0) focusRow(row, true);
        else if (event->button() == Qt::LeftButton) {
            selected_ = -1;
            viewport()->update();
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int row = rowAt(event->position().toPoint());
        if (row >= 0) {
            focusRow(row, true);
            emit itemActivated(row);
        }
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void ReportList::keyPressEvent(QKeyEvent* event) {
    const int count = ItemCount();
    int target = -1;
    const int page = visibleRows();
    const int from = focused_;
    switch (event->key()) {
    case Qt::Key_Up: target = from < 0 ? 0 : std::max(0, from - 1); break;
    case Qt::Key_Down: target = from < 0 ? 0 : std::min(count - 1, from + 1); break;
    case Qt::Key_PageUp: target = std::max(0, from - page); break;
    case Qt::Key_PageDown: target = std::min(count - 1, std::max(from, 0) + page); break;
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = count - 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int row = selected_ >= 0 ? selected_ : focused_;
        if (row >= 0) emit itemActivated(row);
        event->accept();
        return;
    }
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (count > 0 && target >= 0) focusRow(target, true);
    event->accept();
}
