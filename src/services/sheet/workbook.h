#pragma once
// The in-memory workbook behind the spreadsheet objects: sheets of cells,
// each cell a text or a number with a number format, addressed as "a1".

#include "services/core/text.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace sheet {

// The grid a sheet accepts, as in current spreadsheet applications; a save in
// the Excel 97-2003 format holds only kXlsRows x kXlsColumns of it.
inline constexpr std::uint32_t kGridRows = 1048576;
inline constexpr std::uint32_t kGridColumns = 16384;
inline constexpr std::uint32_t kXlsRows = 65536;
inline constexpr std::uint32_t kXlsColumns = 256;
// Longest cell text, in UTF-16 units.
inline constexpr std::size_t kMaxCellChars = 32767;
// Most cells one range may cover, so that a stray "a1:xfd1048576" cannot
// exhaust memory.
inline constexpr std::uint64_t kMaxRangeCells = 1000000;

struct CellRef {
    std::uint32_t row = 0;     // 0-based
    std::uint32_t column = 0;  // 0-based
    friend bool operator==(const CellRef&, const CellRef&) = default;
};

struct CellRange {
    CellRef first;  // top left
    CellRef last;   // bottom right
    std::uint64_t cellCount() const {
        return std::uint64_t(last.row - first.row + 1) * (last.column - first.column + 1);
    }
};

// "a1", "B12", "$c$3" (letters in either case, "$" ignored); nothing for
// anything else or an address outside the grid.
std::optional<CellRef> ParseCellAddress(std::string_view address);
// The range spanned by two addresses, in either order; nothing when either
// address is invalid.
std::optional<CellRange> ParseRange(std::string_view start, std::string_view end);
// The address of a cell ("A1", "IV65536", "XFD1048576").
std::string CellAddress(CellRef ref);

// The format id of "General"; texts set under it that read as numbers are
// stored as numbers.
inline constexpr std::uint16_t kGeneralFormat = 0;
// Most distinct number formats a workbook takes (each needs a cell style).
inline constexpr std::size_t kMaxFormats = 4000;

struct Cell {
    std::variant<std::monostate, std::u16string, double> value;  // monostate: blank (format only)
    std::uint16_t format = kGeneralFormat;
};

// A sheet's cells, row by row; each row's cells sorted by column. Rows are
// few next to cells, so looking a cell up stays cheap and the cells of a row
// lie together in memory.
class Worksheet {
public:
    explicit Worksheet(std::u16string name) : name_(std::move(name)) {}
    // Moves keep the row hints valid (map nodes move with the map); a copy
    // would point them into the original.
    Worksheet(Worksheet&&) = default;
    Worksheet& operator=(Worksheet&&) = default;
    Worksheet(const Worksheet&) = delete;
    Worksheet& operator=(const Worksheet&) = delete;

    const std::u16string& name() const { return name_; }

    // The cell, created blank in General when absent.
    Cell& at(CellRef ref);
    const Cell* find(CellRef ref) const;
    void erase(CellRef ref);
    std::size_t cellCount() const { return cellCount_; }

    // Calls f(CellRef, const Cell&) for every cell, row by row, left to right.
    template <class F>
    void forEachCell(F&& f) const {
        for (const auto& [row, cells] : rows_)
            for (const auto& [column, cell] : cells) f(CellRef{row, column}, cell);
    }

private:
    using Row = std::vector<std::pair<std::uint32_t, Cell>>;

    using Rows = std::map<std::uint32_t, Row>;

    Row& rowAt(std::uint32_t row);

    std::u16string name_;
    Rows rows_;
    std::size_t cellCount_ = 0;
    // The two rows used last: the export alternates between the title row
    // and the row it fills, so most look-ups end here.
    Rows::iterator recent_[2];
    int recentCount_ = 0;
};

class Workbook {
public:
    // A new workbook has one empty sheet, "Sheet1".
    Workbook();

    std::size_t sheetCount() const { return sheets_.size(); }
    Worksheet& sheet(std::size_t index) { return sheets_[index]; }
    const Worksheet& sheet(std::size_t index) const { return sheets_[index]; }

    // Number format codes in id order; id 0 is General.
    const std::vector<std::u16string>& formats() const { return formats_; }
    bool isTextFormat(std::uint16_t id) const { return formats_[id] == u"@"; }

    // Sets every cell of the range on sheet `index` to the text, converted to
    // UTF-16. Under the text format "@" the cell holds the text as it is;
    // under any other format a text that reads as a decimal number is stored
    // as that number. An empty text leaves the cell blank. False (nothing
    // changed) for a text over kMaxCellChars or a range over kMaxRangeCells.
    bool setValue(std::size_t index, const CellRange& range, const Text& value);
    // The same with the text already in UTF-16.
    bool setValue(std::size_t index, const CellRange& range, const std::u16string& text);
    // Sets the number format of every cell of the range ("General" and its
    // Chinese name "G/通用格式" and "" mean General).
    bool setFormat(std::size_t index, const CellRange& range, const Text& format);

private:
    // The id of a format code, added when new; nothing once the file's
    // limit of cell styles is reached.
    std::optional<std::uint16_t> formatId(const std::u16string& code);

    std::vector<Worksheet> sheets_;
    std::vector<std::u16string> formats_;
};

// The number a cell text stands for under a numeric format: optional blanks,
// an optional sign, digits with an optional decimal point, an optional
// exponent. Nothing for any other text.
std::optional<double> NumberOfText(std::u16string_view text);

// UTF-16 of a code page 936 text.
std::u16string Utf16Of(const Text& text);
// Cuts a text longer than a cell holds to kMaxCellChars, never between the
// two halves of a character; true when it was cut.
bool CutToCellLimit(std::u16string& text);

}  // namespace sheet
