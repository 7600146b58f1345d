// The spreadsheet driver's connection text: a read-only source over an .xls
// workbook. A worksheet is a table named "<sheet>$" ("[Sheet1$]"); its first
// row names the fields. Numbers arrive as doubles and dates as dates, as the
// spreadsheet driver delivers them. The workbook is read in the sheet reader
// (a child process); the source serves the cells it handed back.

#include "services/db/detail/cell_text.h"
#include "services/db/detail/sheet_reader_process.h"
#include "services/db/detail/source.h"
#include "services/db/detail/workbook_cells.h"

#include <freexl.h>

#include <strings.h>
#include <cctype>
#include <cstdio>
#include <mutex>

namespace dbdetail {

namespace {

std::string trimmed(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    std::size_t b = s.find_last_not_of(" \t\r\n;");
    return s.substr(a, b - a + 1);
}

// The sheet named by a query: "[Sheet1$]", "Sheet1$" or "select * from [Sheet1$]".
std::optional<std::string> sheetOfQuery(const std::string& query) {
    std::string q = trimmed(query);
    std::string lower;
    for (char ch : q) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower.rfind("select", 0) == 0) {
        std::size_t i = 6;
        auto blanks = [&] {
            while (i < q.size() && std::isspace(static_cast<unsigned char>(q[i]))) ++i;
        };
        blanks();
        if (i >= q.size() || q[i] != '*') return std::nullopt;
        ++i;
        blanks();
        if (lower.compare(i, 4, "from") != 0) return std::nullopt;
        i += 4;
        blanks();
        q = trimmed(q.substr(i));
    }
    if (q.size() >= 2 && ((q.front() == '[' && q.back() == ']') || (q.front() == '"' && q.back() == '"') ||
                          (q.front() == '`' && q.back() == '`')))
        q = q.substr(1, q.size() - 2);
    else if (q.find_first_of(" \t") != std::string::npos) return std::nullopt;
    if (!q.empty() && q.back() == '$') q.pop_back();
    if (q.empty()) return std::nullopt;
    return q;
}

std::string numberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

class WorkbookSource : public Source {
public:
    explicit WorkbookSource(WorkbookCells book) : book_(std::move(book)) {}

    std::string providerName() const override { return "FreeXL"; }
    std::string providerVersion() const override { return freexl_version(); }
    bool readOnly() const override { return true; }

    long long execute(const std::string&, const std::vector<Cell>&, long long*) override {
        clearErrors();
        addError({"The workbook is read-only.", "", 0, "FreeXL"});
        return -1;
    }

    bool query(const std::string& sql, ResultData& out) override {
        std::lock_guard lock(mutex_);
        clearErrors();
        out = ResultData();
        auto sheetName = sheetOfQuery(sql);
        if (!sheetName) {
            addError({"A workbook answers \"select * from [Sheet1$]\" only: " + sql, "", 0, "FreeXL"});
            return false;
        }
        const WorkbookSheet* sheet = nullptr;
        for (const WorkbookSheet& s : book_.sheets) {
            if (s.named && strcasecmp(s.name.c_str(), sheetName->c_str()) == 0) {
                sheet = &s;
                break;
            }
        }
        if (!sheet) {
            addError({"The workbook has no worksheet named '" + *sheetName + "'.", "", 0, "FreeXL"});
            return false;
        }
        if (!sheet->readable) {
            addError({"The worksheet '" + *sheetName + "' cannot be read.", "", 0, "FreeXL"});
            return false;
        }
        const std::uint32_t rows = sheet->rows;
        const std::uint32_t columns = sheet->columns;
        if (rows == 0 || columns == 0) {
            // An empty sheet: one unnamed field and no rows.
            out.columns.push_back({"F1", "", ColumnKind::Text, false});
            return true;
        }
        // The cells come row by row, left to right: one walk finds them all.
        auto next = sheet->cells.begin();
        auto cellAt = [&](std::uint32_t r, std::uint32_t c) {
            if (next != sheet->cells.end() && next->row == r && next->column == c) return (next++)->cell;
            return Cell::null();
        };
        for (std::uint32_t c = 0; c < columns; ++c) {
            Cell title = cellAt(0, c);
            std::string name = title.kind == Cell::Kind::Real ? numberText(title.real) : title.text;
            if (name.empty()) {
                name = std::to_string(c + 1);
                name.insert(name.begin(), 'F');
            }
            out.columns.push_back({name, "", ColumnKind::Text, false});
        }
        std::size_t lastFilled = 0;
        for (std::uint32_t r = 1; r < rows; ++r) {
            Row row;
            bool any = false;
            for (std::uint32_t c = 0; c < columns; ++c) {
                Cell cell = cellAt(r, c);
                any = any || cell.kind != Cell::Kind::Null;
                AppendCell(row.packed, cell);
            }
            row.packed.shrink_to_fit();
            out.rows.push_back(std::move(row));
            if (any) lastFilled = out.rows.size();
        }
        out.rows.resize(lastFilled);  // blank rows at the end are no records
        return true;
    }

    bool readBlob(const ResultData&, const Row&, int, std::string& bytes) override {
        bytes.clear();
        return false;
    }

private:
    const WorkbookCells book_;
    std::mutex mutex_;
};

}  // namespace

std::shared_ptr<Source> OpenWorkbook(const std::string& path, std::vector<ErrorEntry>& errors) {
    // Read in the sheet reader: a workbook that crashes FreeXL fails to connect.
    SheetReaderAnswer answer = RunSheetReaderOn(path);
    std::string why = answer.failure;
    std::optional<WorkbookCells> book;
    if (why.empty()) {
        book = DecodeWorkbookCells(answer.bytes, why);
        if (!book) why = "the sheet reader's answer is unreadable: " + why;
    }
    if (!book) {
        errors.push_back({"Cannot read the workbook (" + why + "): " + path, "", 0, "FreeXL"});
        return nullptr;
    }
    const int rc = book->openCode;
    if (rc != FREEXL_OK) {
        std::string why = rc == FREEXL_FILE_NOT_FOUND ? "no such file" : "not an Excel 97-2003 workbook";
        errors.push_back({"Cannot open the workbook (" + why + "): " + path, "", rc, "FreeXL"});
        return nullptr;
    }
    return std::make_shared<WorkbookSource>(std::move(*book));
}

}  // namespace dbdetail
