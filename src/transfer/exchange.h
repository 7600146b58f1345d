#pragma once
// Contacts in and out of the address book as vCard or CSV files. These are
// the procedures both the main menu and the command line run: they need no
// window and never ask anything; the caller shows the report.
//
// An import reads and checks the whole file before it writes a row, so a
// file that cannot be read changes nothing; the rows are then added through
// BookWriter (the workbook import's duplicate rule and counts). An export
// writes a file beside the target and puts it in place only when it is whole.

#include "transfer/book_writer.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

class DBConnection;

enum class ExchangeFormat { VCard, Csv };

struct ExchangeReport {
    bool ok = false;
    std::string error;  // one line (UTF-8) saying why, when not ok
    bool import = false;
    ImportCounts counts;  // an import's counts
    int exported = 0;     // an export's contacts
    // Cards or rows not read, photos not taken, with the reason (UTF-8).
    std::vector<std::string> problems;
    // Contacts holding characters the book's code page (GBK) cannot store,
    // which were stored as "?", and the columns where that happened.
    int contactsWithLostCharacters = 0;
    std::set<std::string> fieldsWithLostCharacters;

    // The closing message: the counts as the workbook import gives them, then
    // the characters not stored and the first problems. "\r\n" between lines.
    Text message() const;
};

// Called now and then with "正在导入第 " / "正在导出第 ", the contacts done and
// their number; a false return stops the run (what was done stays done).
using ExchangeProgress = std::function<bool(const char* what, int done, int total)>;

// `file` is a path in the file system's own bytes.
ExchangeReport ImportContactsFile(DBConnection& book, const std::string& file, ExchangeFormat format,
                                  const ExchangeProgress& progress = {});

// Exports the contacts the query gives (a "select * from 通讯录 ..."),
// photos (vCard only) as JPEG.
ExchangeReport ExportContactsFile(DBConnection& book, const Text& query, const std::string& file, ExchangeFormat format,
                                  const ExchangeProgress& progress = {});
