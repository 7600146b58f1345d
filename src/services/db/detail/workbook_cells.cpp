#include "services/db/detail/workbook_cells.h"

#include <freexl.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace dbdetail {

namespace {

constexpr std::string_view kHead = "VSR1";
constexpr std::string_view kTail = "END1";

Cell CellOfValue(const FreeXL_CellValue& v) {
    // The value is a union: its text only for the kinds that have one.
    auto text = [&] { return std::string(v.value.text_value ? v.value.text_value : ""); };
    switch (v.type) {
    case FREEXL_CELL_INT: return Cell::ofReal(v.value.int_value);
    case FREEXL_CELL_DOUBLE: return Cell::ofReal(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT: return Cell::ofText(text());
    case FREEXL_CELL_DATE: return Cell::ofText(text() + " 00:00:00", Cell::Kind::Date);
    case FREEXL_CELL_DATETIME: return Cell::ofText(text(), Cell::Kind::Date);
    case FREEXL_CELL_TIME: return Cell::ofText("1899-12-30 " + text(), Cell::Kind::Date);
    default: return Cell::null();
    }
}

class Writer {
public:
    void u8(unsigned v) { out.push_back(static_cast<char>(v & 0xFF)); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) u8(v >> (8 * i));
    }
    void f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) u8(static_cast<unsigned>(bits >> (8 * i)));
    }
    void bytes(const std::string& s) {
        u32(static_cast<std::uint32_t>(s.size()));
        out += s;
    }
    std::string out;
};

// Reads the form, every read checked against what is left.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}

    bool literal(std::string_view s) {
        if (in_.substr(at_, s.size()) != s) return false;
        at_ += s.size();
        return true;
    }
    bool u8(unsigned& v) {
        if (left() < 1) return false;
        v = static_cast<unsigned char>(in_[at_++]);
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (left() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<unsigned char>(in_[at_++])) << (8 * i);
        return true;
    }
    bool f64(double& v) {
        if (left() < 8) return false;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= std::uint64_t(static_cast<unsigned char>(in_[at_++])) << (8 * i);
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    bool bytes(std::string& s) {
        std::uint32_t n;
        if (!u32(n) || left() < n) return false;
        s.assign(in_.substr(at_, n));
        at_ += n;
        return true;
    }
    std::size_t left() const { return in_.size() - at_; }

private:
    std::string_view in_;
    std::size_t at_ = 0;
};

bool WriteAllOut(const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(STDOUT_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

WorkbookCells ReadWorkbookWithFreeXL(const std::string& path) {
    WorkbookCells book;
    const void* handle = nullptr;
    book.openCode = freexl_open(path.c_str(), &handle);
    if (book.openCode != FREEXL_OK) {
        if (handle) freexl_close(handle);
        return book;
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short i = 0; i < count; ++i) {
        WorkbookSheet sheet;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, i, &name) == FREEXL_OK && name) {
            sheet.named = true;
            sheet.name = name;
        }
        unsigned int rows = 0;
        unsigned short columns = 0;
        sheet.readable = freexl_select_active_worksheet(handle, i) == FREEXL_OK &&
                         freexl_worksheet_dimensions(handle, &rows, &columns) == FREEXL_OK;
        if (sheet.readable) {
            sheet.rows = rows;
            sheet.columns = columns;
            for (unsigned int r = 0; r < rows; ++r) {
                for (unsigned short c = 0; c < columns; ++c) {
                    FreeXL_CellValue v;
                    if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) continue;
                    Cell cell = CellOfValue(v);
                    if (cell.kind != Cell::Kind::Null) sheet.cells.push_back({r, c, std::move(cell)});
                }
            }
        }
        book.sheets.push_back(std::move(sheet));
    }
    freexl_close(handle);
    return book;
}

std::string EncodeWorkbookCells(const WorkbookCells& book) {
    Writer w;
    w.out += kHead;
    w.u32(static_cast<std::uint32_t>(book.openCode));
    w.u32(static_cast<std::uint32_t>(book.sheets.size()));
    for (const WorkbookSheet& sheet : book.sheets) {
        w.u8(sheet.named);
        w.bytes(sheet.name);
        w.u8(sheet.readable);
        w.u32(sheet.rows);
        w.u32(sheet.columns);
        w.u32(static_cast<std::uint32_t>(sheet.cells.size()));
        for (const PlacedCell& placed : sheet.cells) {
            w.u32(placed.row);
            w.u32(placed.column);
            w.u8(static_cast<unsigned>(placed.cell.kind));
            if (placed.cell.kind == Cell::Kind::Real) w.f64(placed.cell.real);
            else w.bytes(placed.cell.text);
        }
    }
    w.out += kTail;
    return std::move(w.out);
}

std::optional<WorkbookCells> DecodeWorkbookCells(std::string_view bytes, std::string& why) {
    Reader in(bytes);
    WorkbookCells book;
    auto bad = [&](const char* what) {
        why = what;
        return std::nullopt;
    };
    std::uint32_t openCode = 0, sheets = 0;
    if (!in.literal(kHead) || !in.u32(openCode) || !in.u32(sheets)) return bad("no answer in the reader's form");
    book.openCode = static_cast<std::int32_t>(openCode);
    // Every sheet takes at least 18 bytes: a count beyond that is garbage.
    if (sheets > in.left() / 18) return bad("a sheet count beyond the answer");
    for (std::uint32_t s = 0; s < sheets; ++s) {
        WorkbookSheet sheet;
        unsigned named = 0, readable = 0;
        std::uint32_t count = 0;
        if (!in.u8(named) || named > 1 || !in.bytes(sheet.name) || !in.u8(readable) || readable > 1 ||
            !in.u32(sheet.rows) || !in.u32(sheet.columns) || !in.u32(count))
            return bad("a sheet cut short or malformed");
        sheet.named = named;
        sheet.readable = readable;
        if (std::uint64_t(sheet.rows) * sheet.columns > kMostSheetCells)
            return bad("a sheet larger than 65536 rows by 256 columns");
        // Every cell takes at least 13 bytes.
        if (count > in.left() / 13 || count > std::uint64_t(sheet.rows) * sheet.columns)
            return bad("a cell count beyond the sheet");
        sheet.cells.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            PlacedCell placed;
            unsigned kind = 0;
            if (!in.u32(placed.row) || !in.u32(placed.column) || !in.u8(kind)) return bad("a cell cut short");
            if (placed.row >= sheet.rows || placed.column >= sheet.columns) return bad("a cell outside its sheet");
            if (!sheet.cells.empty()) {
                const PlacedCell& last = sheet.cells.back();
                if (placed.row < last.row || (placed.row == last.row && placed.column <= last.column))
                    return bad("cells out of order");
            }
            placed.cell.kind = static_cast<Cell::Kind>(kind);
            if (placed.cell.kind == Cell::Kind::Real) {
                if (!in.f64(placed.cell.real)) return bad("a number cut short");
            } else if (placed.cell.kind == Cell::Kind::Text || placed.cell.kind == Cell::Kind::Date) {
                if (!in.bytes(placed.cell.text)) return bad("a text cut short");
            } else {
                return bad("a cell of an unknown kind");
            }
            sheet.cells.push_back(std::move(placed));
        }
        book.sheets.push_back(std::move(sheet));
    }
    if (!in.literal(kTail) || in.left() != 0) return bad("an answer without its end");
    return book;
}

int RunSheetReader(int argc, char** argv) {
    // Ends with the program that asked, and never grows without bound.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer reserves terabytes of address space for its shadow.)
    const struct rlimit memory = {4ull << 30, 4ull << 30};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORKBOOK\n", argc > 0 ? argv[0] : "varelo-sheet-reader");
        return 2;
    }
    return WriteAllOut(EncodeWorkbookCells(ReadWorkbookWithFreeXL(argv[1]))) ? 0 : 1;
}

}  // namespace dbdetail
