// The spreadsheet driver's connection text: a read-only source over an .xls
// workbook. A worksheet is a table named "<sheet>$" ("[Sheet1$]"); its first
// row names the fields. Numbers arrive as doubles and dates as dates, as the
// spreadsheet driver delivers them.

#include "services/db/detail/cell_text.h"
#include "services/db/detail/source.h"

#include <freexl.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <strings.h>

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
        auto blanks = [&] { while (i < q.size() && std::isspace(static_cast<unsigned char>(q[i]))) ++i; };
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
    else if (q.find_first_of(" \t") != std::string::npos)
        return std::nullopt;
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
    explicit WorkbookSource(const void* handle) : handle_(handle) {}
    ~WorkbookSource() override { freexl_close(handle_); }

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
        auto sheet = sheetOfQuery(sql);
        if (!sheet) {
            addError({"A workbook answers \"select * from [Sheet1$]\" only: " + sql, "", 0, "FreeXL"});
            return false;
        }
        unsigned int count = 0;
        freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count);
        int found = -1;
        for (unsigned short i = 0; i < count && found < 0; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle_, i, &name) == FREEXL_OK && name && strcasecmp(name, sheet->c_str()) == 0)
                found = i;
        }
        if (found < 0) {
            addError({"The workbook has no worksheet named '" + *sheet + "'.", "", 0, "FreeXL"});
            return false;
        }
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(found)) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK) {
            addError({"The worksheet '" + *sheet + "' cannot be read.", "", 0, "FreeXL"});
            return false;
        }
        if (rows == 0 || columns == 0) {
            // An empty sheet: one unnamed field and no rows.
            out.columns.push_back({"F1", "", ColumnKind::Text, false});
            return true;
        }
        for (unsigned short c = 0; c < columns; ++c) {
            Cell title = cellAt(0, c);
            std::string name = title.kind == Cell::Kind::Real ? numberText(title.real) : title.text;
            if (name.empty()) {
                name = std::to_string(c + 1);
                name.insert(name.begin(), 'F');
            }
            out.columns.push_back({name, "", ColumnKind::Text, false});
        }
        std::size_t lastFilled = 0;
        for (unsigned int r = 1; r < rows; ++r) {
            Row row;
            bool any = false;
            for (unsigned short c = 0; c < columns; ++c) {
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
    Cell cellAt(unsigned int r, unsigned short c) const {
        FreeXL_CellValue v;
        if (freexl_get_cell_value(handle_, r, c, &v) != FREEXL_OK) return Cell::null();
        switch (v.type) {
        case FREEXL_CELL_INT:
            return Cell::ofReal(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return Cell::ofReal(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return Cell::ofText(v.value.text_value ? v.value.text_value : "");
        case FREEXL_CELL_DATE:
            return Cell::ofText(std::string(v.value.text_value) + " 00:00:00", Cell::Kind::Date);
        case FREEXL_CELL_DATETIME:
            return Cell::ofText(v.value.text_value, Cell::Kind::Date);
        case FREEXL_CELL_TIME:
            return Cell::ofText(std::string("1899-12-30 ") + v.value.text_value, Cell::Kind::Date);
        default:
            return Cell::null();
        }
    }

    const void* handle_;
    std::mutex mutex_;
};

}  // namespace

std::shared_ptr<Source> OpenWorkbook(const std::string& path, std::vector<ErrorEntry>& errors) {
    const void* handle = nullptr;
    int rc = freexl_open(path.c_str(), &handle);
    if (rc != FREEXL_OK) {
        if (handle) freexl_close(handle);
        std::string why = rc == FREEXL_FILE_NOT_FOUND ? "no such file" : "not an Excel 97-2003 workbook";
        errors.push_back({"Cannot open the workbook (" + why + "): " + path, "", rc, "FreeXL"});
        return nullptr;
    }
    return std::make_shared<WorkbookSource>(handle);
}

}  // namespace dbdetail
