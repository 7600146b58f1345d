#include "services/db/record_set.h"

#include "services/core/core.h"
#include "services/core/gbk_walk.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/detail/cell_text.h"
#include "services/db/detail/source.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>

using dbdetail::Cell;
using dbdetail::ColumnKind;

namespace {

enum class EditMode { None, Edit, Add };

// Field names match without regard to the case of one-byte letters.
bool sameName(const Text& a, const Text& b) { return gbk::EqualIgnoringCase(a.bytes(), b.bytes()); }

// The value a text stands for in a column of the given kind; nullopt when
// the column cannot take it.
std::optional<Cell> cellForText(ColumnKind kind, const std::string& utf8) {
    if (utf8.empty()) return Cell::null();
    std::string t = utf8;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    std::size_t lead = t.find_first_not_of(' ');
    t = lead == std::string::npos ? std::string() : t.substr(lead);
    switch (kind) {
    case ColumnKind::Text: return Cell::ofText(utf8);
    case ColumnKind::Date:
        if (auto d = dbdetail::NormalizedDate(utf8)) return Cell::ofText(*d, Cell::Kind::Date);
        return std::nullopt;
    case ColumnKind::Integer: {
        if (t.empty()) return std::nullopt;
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(t.c_str(), &end, 10);
        if (errno || *end) return std::nullopt;
        return Cell::ofInteger(v);
    }
    case ColumnKind::Real: {
        if (t.empty()) return std::nullopt;
        char* end = nullptr;
        double v = std::strtod(t.c_str(), &end);
        if (*end) return std::nullopt;
        return Cell::ofReal(v);
    }
    case ColumnKind::Boolean:
        if (strcasecmp(t.c_str(), "TRUE") == 0 || t == "1") return Cell::ofBool(true);
        if (strcasecmp(t.c_str(), "FALSE") == 0 || t == "0") return Cell::ofBool(false);
        return std::nullopt;
    case ColumnKind::Blob: return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

struct RecordSet::State {
    DBConnection* connection = nullptr;
    Text source;       // the last SQL text or table name opened
    Text openedTable;  // the table opened by name, for Delete(3)
    std::string sql;   // the statement of the open result, for a requery

    bool open = false;
    std::shared_ptr<dbdetail::Source> db;
    dbdetail::ResultData result;
    std::vector<Text> names;
    int pos = 0;  // -1 before the first row, rows.size() past the last
    // The current row was deleted: `pos` is where it stood, now the place of
    // the row that followed it. It stays current (nothing to read, nothing
    // to write) until a move, so that MoveNext goes to that following row.
    bool onDeleted = false;

    EditMode mode = EditMode::None;
    std::vector<std::optional<Cell>> edits;
    RowConflict conflict = RowConflict::kNone;  // why the last Update or Delete was refused
    long long editedVersion = -1;               // the version of the row when its edit began

    // Keyed results: the rows read lately, a page each, so that a walk or a
    // painted list reads each page with one statement. A page covers the
    // positions [first, first + rows.size()).
    struct Page {
        int first = 0;
        std::vector<dbdetail::Row> rows;
        unsigned long long used = 0;
    };
    static constexpr int kPageRows = 128;
    static constexpr std::size_t kPages = 8;
    std::vector<Page> pages;
    unsigned long long tick = 0;

    int count() const { return static_cast<int>(result.keyed ? result.ids.size() : result.rows.size()); }
    int fields() const { return static_cast<int>(result.columns.size()); }
    bool onRow() const { return open && !onDeleted && pos >= 0 && pos < count(); }

    // The reason ErrorText gives for a write the record set refuses itself.
    void refuse(const std::string& why) const {
        if (db) db->setErrors({{why, "", 0, "RecordSet"}});
    }

    void moveTo(int index) {
        pos = index;
        onDeleted = false;
    }

    int column(const FieldRef& f) const {
        if (!open) return -1;
        if (f.isIndex()) return f.index() >= 0 && f.index() < fields() ? f.index() : -1;
        for (int i = 0; i < fields(); ++i)
            if (sameName(names[i], f.name())) return i;
        return -1;
    }

    // The row at a position, its values read through the page cache for a
    // keyed result; nullptr when the read fails. A keyed row deleted by
    // another program since the open comes back `gone`, in its place.
    const dbdetail::Row* rowAt(int index) {
        if (index < 0 || index >= count()) return nullptr;
        if (!result.keyed) return &result.rows[index];
        for (auto& page : pages) {
            if (index >= page.first && index - page.first < int(page.rows.size())) {
                page.used = ++tick;
                return &page.rows[index - page.first];
            }
        }
        Page page;
        page.first = index - index % kPageRows;
        const int n = std::min(kPageRows, count() - page.first);
        if (!db->fetchRows(result, result.ids.data() + page.first, std::size_t(n), page.rows)) return nullptr;
        page.used = ++tick;
        if (pages.size() >= kPages) {
            auto oldest = std::min_element(pages.begin(), pages.end(),
                                           [](const Page& a, const Page& b) { return a.used < b.used; });
            *oldest = std::move(page);
            return &oldest->rows[index - oldest->first];
        }
        pages.push_back(std::move(page));
        return &pages.back().rows[index - pages.back().first];
    }

    // The values stored for a position, without the pending edits.
    std::optional<Cell> storedValue(int index, int col) {
        const dbdetail::Row* row = rowAt(index);
        if (!row || row->gone) return std::nullopt;
        return dbdetail::CellAt(row->packed, col);
    }

    // The value of a column of the current (or new) row, pending edits first.
    std::optional<Cell> value(int col) {
        if (mode != EditMode::None && edits[col]) return *edits[col];
        if (mode == EditMode::Add) return Cell::null();
        if (!onRow()) return std::nullopt;
        return storedValue(pos, col);
    }

    // A row stored again (after an update) replaces its cached copy.
    void replaceRow(int index, const dbdetail::Row& row) {
        if (!result.keyed) {
            result.rows[index] = row;
            return;
        }
        for (auto& page : pages)
            if (index >= page.first && index - page.first < int(page.rows.size())) page.rows[index - page.first] = row;
    }

    // Drops the cached page that holds a position.
    void forgetRow(int index) {
        std::erase_if(pages, [index](const Page& page) {
            return index >= page.first && index - page.first < int(page.rows.size());
        });
    }

    void eraseRow(int index) {
        if (!result.keyed) {
            result.rows.erase(result.rows.begin() + index);
            return;
        }
        result.ids.erase(result.ids.begin() + index);
        for (auto& page : pages) {
            if (index >= page.first && index - page.first < int(page.rows.size()))
                page.rows.erase(page.rows.begin() + (index - page.first));
            else if (page.first > index) --page.first;
        }
    }

    bool canWrite(int col) const {
        return col >= 0 && !db->readOnly() && !result.table.empty() && result.columns[col].writable &&
               (mode == EditMode::Add || onRow());
    }

    void setEdit(int col, Cell cell) {
        if (mode == EditMode::None) {
            mode = EditMode::Edit;
            edits.assign(fields(), std::nullopt);
            // The changes apply to the row as it is now: a keyed row not yet
            // read is read here, so that a change made elsewhere after this
            // point is one the Update detects.
            const dbdetail::Row* row = rowAt(pos);
            editedVersion = row ? row->version : -1;
        }
        edits[col] = std::move(cell);
    }

    void cancelEdit() {
        mode = EditMode::None;
        edits.clear();
        editedVersion = -1;
    }

    // WHERE clause and parameters that find the given row again; where the
    // source keeps row versions, only while it is the version that was read.
    std::string identity(const dbdetail::Row& row, std::vector<Cell>& params) const {
        if (row.rowid >= 0) {
            params.push_back(Cell::ofInteger(row.rowid));
            std::string where = " WHERE " + result.identityCondition;
            if (!result.versionCondition.empty() && row.version >= 0) {
                params.push_back(Cell::ofText(std::to_string(row.version)));
                where += " AND " + result.versionCondition;
            }
            return where;
        }
        std::string where;
        for (int i = 0; i < fields(); ++i) {
            const auto& c = result.columns[i];
            if (c.origin.empty() || c.kind == ColumnKind::Blob) continue;
            Cell v = dbdetail::CellAt(row.packed, i);
            if (v.kind == Cell::Kind::Blob || v.kind == Cell::Kind::BlobSize) continue;
            where += where.empty() ? " WHERE " : " AND ";
            if (v.kind == Cell::Kind::Null) {
                where += db->quoteName(c.origin) + " IS NULL";
            } else {
                where += db->quoteName(c.origin) + "=?";
                params.push_back(v);
            }
        }
        return where;
    }

    // A row without an identity of its own is found by its values, which
    // other rows may share: it is changed or deleted only when the values
    // find it alone, so that no other row changes with it.
    bool foundAlone(const dbdetail::Row& row) const {
        if (row.rowid >= 0) return true;
        std::vector<Cell> params;
        std::string where = identity(row, params);
        return db->count("SELECT COUNT(*) FROM " + db->quoteName(result.table) + where, params) == 1;
    }

    // A write through the row's identity changed nothing: the row was
    // deleted elsewhere, or (where rows carry versions) changed elsewhere
    // since it was read. Sets `conflict` and the reason ErrorText gives.
    void refuseConflict(const dbdetail::Row& row) {
        conflict = RowConflict::kDeletedElsewhere;
        if (row.rowid >= 0 && !result.versionCondition.empty()) {
            const long long found =
                db->count("SELECT COUNT(*) FROM " + db->quoteName(result.table) + " WHERE " + result.identityCondition,
                          {Cell::ofInteger(row.rowid)});
            if (found < 0) {
                conflict = RowConflict::kNone;  // the check failed; ErrorText says why
                return;
            }
            if (found > 0) {
                conflict = RowConflict::kChangedElsewhere;
                refuse(
                    "The record was changed by another user since it was read; it was not stored. Open it again to "
                    "see the stored values.");
                return;
            }
        }
        refuse("The record no longer exists: another user or program deleted it.");
    }

    // The row's cells after the pending edits, for sources that cannot read it back.
    std::string merged(const dbdetail::Row* row) const {
        std::vector<Cell> cells;
        for (int i = 0; i < fields(); ++i) {
            if (edits[i]) cells.push_back(*edits[i]);
            else cells.push_back(row ? dbdetail::CellAt(row->packed, i) : Cell::null());
        }
        return dbdetail::PackRow(cells);
    }

    bool store() {
        conflict = RowConflict::kNone;
        if (mode == EditMode::None) return false;
        if (db->readOnly() || result.table.empty()) {
            refuse("The records cannot be changed: they do not come from one table of a writable source.");
            return false;
        }
        std::vector<Cell> params;
        std::string columnList, marks, sets;
        for (int i = 0; i < fields(); ++i) {
            if (!edits[i]) continue;
            const auto& name = db->quoteName(result.columns[i].origin);
            columnList += (columnList.empty() ? "" : ",") + name;
            marks += marks.empty() ? "?" : ",?";
            sets += (sets.empty() ? "" : ",") + name + "=?";
            params.push_back(*edits[i]);
        }
        std::string table = db->quoteName(result.table);
        if (mode == EditMode::Add) {
            std::string sql = columnList.empty()
                                  ? "INSERT INTO " + table + " DEFAULT VALUES"
                                  : "INSERT INTO " + table + " (" + columnList + ") VALUES (" + marks + ")";
            long long rowid = -1;
            if (db->execute(sql, params, &rowid) != 1) return false;
            if (result.keyed) {
                // Its values are read from the file when they are asked for.
                result.ids.push_back(rowid);
            } else {
                dbdetail::Row row;
                row.rowid = rowid;
                if (!db->reread(result, row)) row.packed = merged(nullptr);
                result.rows.push_back(std::move(row));
            }
            moveTo(count() - 1);
            return true;
        }
        if (!onRow() || sets.empty()) {
            refuse("There is no current record to change.");
            return false;
        }
        const dbdetail::Row* current = rowAt(pos);
        if (!current) return false;
        dbdetail::Row row = *current;
        if (editedVersion >= 0) row.version = editedVersion;
        if (row.gone) {
            conflict = RowConflict::kDeletedElsewhere;
            refuse("The record no longer exists: another user or program deleted it.");
            return false;
        }
        if (!foundAlone(row)) {
            refuse("The record no longer exists, or other records share its values.");
            return false;
        }
        std::string sql = "UPDATE " + table + " SET " + sets + identity(row, params);
        const long long changed = db->execute(sql, params);
        if (changed < 0) return false;
        if (changed != 1) {
            refuseConflict(row);
            return false;
        }
        if (!db->reread(result, row)) row.packed = merged(&row);
        row.gone = false;
        replaceRow(pos, row);
        return true;
    }

    // Update: stores the pending changes; they are dropped when the source
    // refuses them (ErrorText says why), so the next row starts clean.
    // Changes refused because another user changed the row since it was read
    // stay pending: what was typed is not lost, and a later Update stores it
    // only after the row is read again (RereadRecord) and so known to be current.
    bool storePending() {
        if (mode == EditMode::None) return true;
        bool stored = store();
        if (stored || conflict != RowConflict::kChangedElsewhere) cancelEdit();
        return stored;
    }

    // Leaving the current row (a move, a new row) stores its pending changes
    // first. When they cannot be stored the row is not left: the changes stay
    // pending, the move fails and ErrorText says why.
    bool storeBeforeLeaving() {
        if (mode == EditMode::None) return true;
        if (!store()) return false;
        cancelEdit();
        return true;
    }

    bool run(const std::string& statement) {
        if (!connection) return false;
        closeResult();
        db = connection->source();
        if (!db) {
            ShowMessage(T("数据库连接未打开。"), MessageStyle::kOkOnly, T("错误"));
            return false;
        }
        sql = statement;
        if (!db->query(statement, result)) {
            auto errors = db->errors();
            std::string why = errors.empty() ? "The query failed." : errors.front().description;
            db.reset();
            ShowMessage(Text::fromUtf8(why), MessageStyle::kOkOnly, T("错误"));
            return false;
        }
        names.clear();
        for (const auto& c : result.columns) names.push_back(Text::fromUtf8(c.name));
        open = true;
        moveTo(0);
        return true;
    }

    void closeResult() {
        cancelEdit();
        open = false;
        result = dbdetail::ResultData();
        pages.clear();
        names.clear();
        db.reset();
        moveTo(0);
    }
};

RecordSet::RecordSet() : d_(std::make_unique<State>()) {}

RecordSet::~RecordSet() { Close(); }

bool RecordSet::SetConnection(DBConnection& connection) {
    d_->connection = &connection;
    return true;
}

bool RecordSet::Open(const Text& source, int kind) {
    if (kind != 1 && kind != 2) return false;
    if (!source.empty()) d_->source = source;
    if (kind == 1) d_->openedTable = Text();
    else d_->openedTable = d_->source;
    if (!d_->connection || d_->source.empty()) return false;
    std::string text = d_->source.toUtf8();
    if (kind == 2) {
        char first = text.empty() ? 0 : text[0];
        bool quoted = first == '[' || first == '"' || first == '`';
        auto db = d_->connection->source();
        text = "SELECT * FROM " + (quoted || !db ? text : db->quoteName(text));
    }
    return d_->run(text);
}

bool RecordSet::OpenTable(const Text& table, const Text& order) {
    Text sql = Text::fromBytes("select * from ") + table + Text::fromBytes(" order by ") + order;
    d_->source = sql;
    d_->openedTable = table;
    if (!d_->connection) return false;
    return d_->run(sql.toUtf8());
}

void RecordSet::Close() {
    d_->closeResult();
    d_->openedTable = Text();
}

void RecordSet::Swap(RecordSet& other) noexcept { d_.swap(other.d_); }

bool RecordSet::AddNew() {
    if (!d_->open || d_->db->readOnly() || d_->result.table.empty()) return false;
    if (!d_->storeBeforeLeaving()) return false;
    d_->mode = EditMode::Add;
    d_->edits.assign(d_->fields(), std::nullopt);
    return true;
}

bool RecordSet::Update() {
    if (!d_->open || d_->mode == EditMode::None) return false;
    return d_->storePending();
}

bool RecordSet::Delete(int scope) {
    d_->conflict = RowConflict::kNone;
    if (scope == 1) {
        if (!d_->open) return false;
        if (d_->mode == EditMode::Add) {
            // The current record is the new one, not yet stored: deleting it
            // drops it and leaves the stored rows alone.
            d_->cancelEdit();
            return true;
        }
        d_->cancelEdit();
        if (!d_->onRow() || d_->db->readOnly() || d_->result.table.empty()) return false;
        std::vector<Cell> params;
        const dbdetail::Row* row = d_->rowAt(d_->pos);
        if (!row || !d_->foundAlone(*row)) return false;
        std::string sql = "DELETE FROM " + d_->db->quoteName(d_->result.table) + d_->identity(*row, params);
        const long long deleted = d_->db->execute(sql, params);
        if (deleted < 0) return false;
        if (deleted != 1) {
            d_->refuseConflict(*row);
            return false;
        }
        d_->eraseRow(d_->pos);
        d_->onDeleted = true;
        return true;
    }
    if (scope == 3) {
        if (!d_->connection || d_->openedTable.empty()) return false;
        if (!d_->connection->ExecuteSql(Text::fromBytes("delete from ") + d_->openedTable)) return false;
        Text table = d_->openedTable;
        std::string sql = d_->sql;
        bool reopened = !sql.empty() && d_->run(sql);
        d_->openedTable = table;
        return reopened && RecordCount() == 0;
    }
    return false;
}

bool RecordSet::MoveFirst() {
    if (!d_->storeBeforeLeaving()) return false;
    if (!d_->open || d_->count() == 0) {
        d_->onDeleted = false;
        return false;
    }
    d_->moveTo(0);
    return true;
}

bool RecordSet::MoveNext() {
    if (!d_->storeBeforeLeaving()) return false;
    if (!d_->open) return false;
    if (d_->onDeleted) {
        // The row that followed the deleted one has taken its place.
        d_->moveTo(d_->pos);
        return true;
    }
    // Only a move from past the last row, or on an empty set, fails.
    if (d_->count() == 0 || d_->pos >= d_->count()) return false;
    d_->moveTo(d_->pos + 1);
    return true;
}

bool RecordSet::MoveTo(int index) {
    if (!d_->storeBeforeLeaving()) return false;
    if (!d_->open) return false;
    if (index < 0 || index >= d_->count()) {
        // No current row afterwards, so that no later write lands on a wrong one.
        d_->moveTo(index < 0 ? -1 : d_->count());
        return false;
    }
    d_->moveTo(index);
    return true;
}

bool RecordSet::ReadText(const FieldRef& field, Text& value) {
    if (!field.isValid()) return false;
    value = Text();
    int col = d_->column(field);
    if (col < 0) return false;
    auto cell = d_->value(col);
    if (!cell) return false;
    value = dbdetail::CellText(*cell);
    return true;
}

Text RecordSet::ReadText(const FieldRef& field) {
    Text value;
    ReadText(field, value);
    return value;
}

Text RecordSet::ReadTextAt(int record, const FieldRef& field) {
    if (!field.isValid()) return Text();
    int col = d_->column(field);
    if (col < 0) return Text();
    auto cell = d_->storedValue(record, col);
    return cell ? dbdetail::CellText(*cell) : Text();
}

long long RecordSet::RowIdentity(int record) const {
    if (!d_->open || record < 0 || record >= d_->count()) return -1;
    return d_->result.keyed ? d_->result.ids[record] : d_->result.rows[record].rowid;
}

bool RecordSet::WriteText(const FieldRef& field, const Text& value) {
    if (!field.isValid()) return false;
    int col = d_->column(field);
    if (col < 0) return false;
    if (!d_->canWrite(col)) {
        d_->refuse("The field cannot be written: no current record, or the records cannot be changed.");
        return false;
    }
    auto cell = cellForText(d_->result.columns[col].kind, value.toUtf8());
    if (!cell) return false;
    d_->setEdit(col, std::move(*cell));
    return true;
}

bool RecordSet::ReadBytes(const FieldRef& field, Bytes& value) {
    value.clear();
    if (!field.isValid()) return false;
    int col = d_->column(field);
    if (col < 0) return false;
    auto cell = d_->value(col);
    if (!cell) return false;
    switch (cell->kind) {
    case Cell::Kind::Null: return true;
    case Cell::Kind::Text:
    case Cell::Kind::Date: return cell->text.empty();
    case Cell::Kind::Blob: value.assign(cell->text.begin(), cell->text.end()); return true;
    case Cell::Kind::BlobSize: {
        if (cell->integer == 0) return true;
        std::string bytes;
        const dbdetail::Row* row = d_->rowAt(d_->pos);
        if (!row || !d_->db->readBlob(d_->result, *row, col, bytes)) return false;
        value.assign(bytes.begin(), bytes.end());
        return true;
    }
    default: return false;
    }
}

bool RecordSet::WriteBytes(const FieldRef& field, const Bytes& value) {
    if (!field.isValid()) return false;
    int col = d_->column(field);
    if (col < 0 || !d_->canWrite(col) || d_->result.columns[col].kind != ColumnKind::Blob) return false;
    Cell cell = value.empty() ? Cell::null() : Cell::ofText(std::string(value.begin(), value.end()), Cell::Kind::Blob);
    d_->setEdit(col, std::move(cell));
    return true;
}

bool RecordSet::RereadRecord(int record) {
    if (!d_->open || !d_->db || record < 0 || record >= d_->count()) return false;
    if (d_->result.keyed) {
        // Only this row is read again; the rest of its page stays as read.
        std::vector<dbdetail::Row> rows;
        if (!d_->db->fetchRows(d_->result, d_->result.ids.data() + record, 1, rows) || rows.size() != 1) {
            // The copy read before is out of date: the row is read again when next asked for.
            d_->forgetRow(record);
            return false;
        }
        d_->replaceRow(record, rows.front());
        if (record == d_->pos && d_->mode == EditMode::Edit) d_->editedVersion = rows.front().version;
        return !rows.front().gone;
    }
    dbdetail::Row& row = d_->result.rows[static_cast<std::size_t>(record)];
    if (!d_->db->reread(d_->result, row)) return false;
    if (record == d_->pos && d_->mode == EditMode::Edit) d_->editedVersion = row.version;
    return true;
}

Text RecordSet::FieldName(int index) const {
    if (!d_->open || index < 0 || index >= d_->fields()) return Text();
    return d_->names[index];
}

RecordSet::RowConflict RecordSet::LastConflict() const { return d_->conflict; }

bool RecordSet::IsOpen() const { return d_->open; }

int RecordSet::RecordStatus() const {
    if (d_->mode == EditMode::Add) return 1;
    if (!d_->onRow()) return 0;
    return d_->mode == EditMode::Edit ? 2 : 4;
}

int RecordSet::RecordCount() const { return d_->open ? d_->count() : -1; }

int RecordSet::FieldCount() const { return d_->open ? d_->fields() : -1; }

bool RecordSet::AtStart() const {
    if (!d_->open) return true;
    if (d_->mode == EditMode::Add || d_->onDeleted) return false;
    return d_->count() == 0 || d_->pos < 0;
}

bool RecordSet::AtEnd() const {
    if (!d_->open) return true;
    // A deleted row stays current until the next move.
    if (d_->mode == EditMode::Add || d_->onDeleted) return false;
    return d_->count() == 0 || d_->pos >= d_->count();
}

int RecordSet::Position() const {
    if (!d_->open) return -2;
    if (d_->mode == EditMode::Add) return d_->count();
    if (d_->pos < 0) return -3;
    if (d_->pos >= d_->count()) return -4;
    return d_->pos;
}
