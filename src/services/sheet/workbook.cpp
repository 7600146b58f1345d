#include "services/sheet/workbook.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sheet {

std::optional<CellRef> ParseCellAddress(std::string_view address) {
    std::size_t i = 0;
    auto skipDollar = [&] {
        if (i < address.size() && address[i] == '$') ++i;
    };
    skipDollar();
    std::uint64_t column = 0;
    std::size_t letters = 0;
    for (; i < address.size(); ++i, ++letters) {
        char c = address[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        if (letters == 3) return std::nullopt;
        column = column * 26 + static_cast<unsigned>(c - 'A' + 1);
    }
    if (letters == 0) return std::nullopt;
    skipDollar();
    std::uint64_t row = 0;
    std::size_t digits = 0;
    for (; i < address.size(); ++i, ++digits) {
        char c = address[i];
        if (c < '0' || c > '9' || digits == 8) return std::nullopt;
        row = row * 10 + static_cast<unsigned>(c - '0');
    }
    if (digits == 0 || row == 0 || row > kGridRows || column > kGridColumns) return std::nullopt;
    return CellRef{static_cast<std::uint32_t>(row - 1), static_cast<std::uint32_t>(column - 1)};
}

std::optional<CellRange> ParseRange(std::string_view start, std::string_view end) {
    auto a = ParseCellAddress(start);
    auto b = ParseCellAddress(end);
    if (!a || !b) return std::nullopt;
    return CellRange{{std::min(a->row, b->row), std::min(a->column, b->column)},
                     {std::max(a->row, b->row), std::max(a->column, b->column)}};
}

std::string CellAddress(CellRef ref) {
    std::string letters;
    for (std::uint32_t n = ref.column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters + std::to_string(std::uint64_t(ref.row) + 1);
}

std::optional<double> NumberOfText(std::u16string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    std::string ascii;
    std::size_t i = b;
    auto digitsAt = [&] {
        std::size_t n = 0;
        while (i < e && text[i] >= u'0' && text[i] <= u'9') ascii += static_cast<char>(text[i++]), ++n;
        return n;
    };
    if (i < e && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
    std::size_t mantissa = digitsAt();
    if (i < e && text[i] == u'.') {
        ascii += '.';
        ++i;
        mantissa += digitsAt();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < e && (text[i] == u'e' || text[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < e && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
        if (digitsAt() == 0) return std::nullopt;
    }
    if (i != e) return std::nullopt;
    double v = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::u16string Utf16Of(const Text& text) {
    if (std::all_of(text.bytes().begin(), text.bytes().end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::u16string(text.bytes().begin(), text.bytes().end());
    QString s = text.toQString();
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

bool CutToCellLimit(std::u16string& text) {
    if (text.size() <= kMaxCellChars) return false;
    std::size_t keep = kMaxCellChars;
    // A high surrogate whose low half would be cut off goes too.
    if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
    text.resize(keep);
    return true;
}

namespace {

template <class Row>
auto columnAt(Row& row, std::uint32_t column) {
    return std::lower_bound(row.begin(), row.end(), column,
                            [](const auto& entry, std::uint32_t c) { return entry.first < c; });
}

}  // namespace

Worksheet::Row& Worksheet::rowAt(std::uint32_t index) {
    for (int i = 0; i < recentCount_; ++i)
        if (recent_[i]->first == index) return recent_[i]->second;
    auto it = rows_.try_emplace(index).first;
    recent_[1] = recent_[0];
    recent_[0] = it;
    recentCount_ = std::min(recentCount_ + 1, 2);
    return it->second;
}

Cell& Worksheet::at(CellRef ref) {
    Row& row = rowAt(ref.row);
    auto it = columnAt(row, ref.column);
    if (it == row.end() || it->first != ref.column) {
        it = row.emplace(it);
        it->first = ref.column;
        ++cellCount_;
    }
    return it->second;
}

const Cell* Worksheet::find(CellRef ref) const {
    auto r = rows_.find(ref.row);
    if (r == rows_.end()) return nullptr;
    auto it = columnAt(r->second, ref.column);
    return it != r->second.end() && it->first == ref.column ? &it->second : nullptr;
}

void Worksheet::erase(CellRef ref) {
    auto r = rows_.find(ref.row);
    if (r == rows_.end()) return;
    auto it = columnAt(r->second, ref.column);
    if (it == r->second.end() || it->first != ref.column) return;
    r->second.erase(it);
    --cellCount_;
    if (r->second.empty()) {
        rows_.erase(r);
        recentCount_ = 0;  // the erased row may be one of them
    }
}

Workbook::Workbook() : formats_{u"General"} { sheets_.emplace_back(u"Sheet1"); }

std::optional<std::uint16_t> Workbook::formatId(const std::u16string& code) {
    for (std::size_t i = 0; i < formats_.size(); ++i)
        if (formats_[i] == code) return static_cast<std::uint16_t>(i);
    if (formats_.size() >= kMaxFormats) return std::nullopt;
    formats_.push_back(code);
    return static_cast<std::uint16_t>(formats_.size() - 1);
}

bool Workbook::setValue(std::size_t index, const CellRange& range, const Text& value) {
    return setValue(index, range, Utf16Of(value));
}

bool Workbook::setValue(std::size_t index, const CellRange& range, const std::u16string& text) {
    if (index >= sheets_.size() || range.cellCount() > kMaxRangeCells) return false;
    if (text.size() > kMaxCellChars) return false;
    std::optional<double> number = NumberOfText(text);
    Worksheet& ws = sheets_[index];
    for (std::uint32_t r = range.first.row; r <= range.last.row; ++r) {
        for (std::uint32_t c = range.first.column; c <= range.last.column; ++c) {
            const CellRef ref{r, c};
            if (text.empty()) {
                const Cell* old = ws.find(ref);
                if (!old) continue;
                if (old->format == kGeneralFormat) ws.erase(ref);
                else ws.at(ref).value = std::monostate{};
                continue;
            }
            Cell& cell = ws.at(ref);
            if (number && !isTextFormat(cell.format)) cell.value = *number;
            else cell.value = text;
        }
    }
    return true;
}

bool Workbook::setFormat(std::size_t index, const CellRange& range, const Text& format) {
    if (index >= sheets_.size() || range.cellCount() > kMaxRangeCells) return false;
    std::u16string code = Utf16Of(format);
    if (code.size() > 255) return false;
    std::optional<std::uint16_t> found =
        (format.empty() || format == T("G/通用格式")) ? std::optional<std::uint16_t>(kGeneralFormat) : formatId(code);
    if (!found) return false;
    const std::uint16_t id = *found;
    Worksheet& ws = sheets_[index];
    for (std::uint32_t r = range.first.row; r <= range.last.row; ++r) {
        for (std::uint32_t c = range.first.column; c <= range.last.column; ++c) {
            const CellRef ref{r, c};
            if (id == kGeneralFormat) {
                const Cell* old = ws.find(ref);
                if (!old) continue;
                if (std::holds_alternative<std::monostate>(old->value)) ws.erase(ref);
                else ws.at(ref).format = id;
                continue;
            }
            ws.at(ref).format = id;
        }
    }
    return true;
}

}  // namespace sheet
