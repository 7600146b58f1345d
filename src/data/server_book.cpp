#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"

#include <cctype>
#include <map>

#include <string>
#include <vector>

namespace {

// The statements of a script whose statements each end with ";" at the end
// of a line; a function body between $$ marks holds statements of its own.
std::vector<std::string> statementsOf(const std::string& script) {
    std::vector<std::string> out;
    std::string statement;
    bool inBody = false;
    bool onlyComments = true;
    std::size_t from = 0;
    while (from < script.size()) {
        std::size_t next = script.find('\n', from);
        if (next == std::string::npos) next = script.size();
        const std::string line = script.substr(from, next - from);
        from = next + 1;
        const std::size_t lead = line.find_first_not_of(" \t\r");
        if (lead == std::string::npos || (!inBody && line.compare(lead, 2, "--") == 0)) continue;
        for (std::size_t at = line.find("$$"); at != std::string::npos; at = line.find("$$", at + 2)) inBody = !inBody;
        statement += line + "\n";
        onlyComments = false;
        if (!inBody && line.back() == ';') {
            out.push_back(statement);
            statement.clear();
            onlyComments = true;
        }
    }
    if (!onlyComments) out.push_back(statement);
    return out;
}

}  // namespace

std::string ServerSpellingReadingsSql() {
    // The same units the matcher reads a name by (services/core/pinyin_match.cpp):
    // a character's first three readings; full-width letters and digits stand
    // for themselves, full-width blanks and punctuation are passed over.
    std::map<std::string, std::string> readings;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const Text character = Text::fromBytes(bytes, 2);
            std::string list;
            bool listed = false;
            for (int r = 1; r <= 3; ++r) {
                const std::string reading = Pinyin(character, r).bytes();
                if (reading.empty()) continue;
                list += (list.empty() ? "" : ",") + reading;
                listed = true;
            }
            if (!listed && lead == 0xA3) {
                const int ascii = trail - 0x80;
                if (std::isalnum(ascii)) {
                    list = std::string(1, static_cast<char>(std::tolower(ascii)));
                    listed = true;
                } else if (trail >= 0xA1) {
                    listed = true;
                }
            }
            if (!listed && lead == 0xA1 && trail >= 0xA1) listed = true;
            if (!listed) continue;
            const std::string utf8 = character.toUtf8();
            if (utf8.empty() || utf8 == "\xEF\xBF\xBD" || utf8 == "'") continue;
            readings[utf8] = list;
        }
    }
    std::string sql = "INSERT INTO 拼音读音 (字, 读音) VALUES ";
    bool first = true;
    for (const auto& [character, list] : readings) {
        sql += (first ? "('" : ",('") + character + "','{" + list + "}')";
        first = false;
    }
    return sql;
}

bool CreateServerBook(DBConnection& book, Text& error) {
    error = Text();
    if (!book.IsConnected()) {
        error = T("The book is not connected.");
        return false;
    }
    if (book.DatabaseSystem() != T("PostgreSQL")) {
        error = T("A shared book is created on a PostgreSQL server; this connection is to ") + book.DatabaseSystem() +
                T(".");
        return false;
    }
    std::vector<std::string> statements = statementsOf(ServerBookSchemaSql());
    statements.push_back(DeliveredCarrierSegmentsSql().toUtf8());
    statements.push_back(StartingAccountSql());
    statements.push_back(ServerSpellingReadingsSql());
    if (!book.BeginTrans()) {
        error = T("The server refused to begin a transaction: ") + book.ErrorText();
        return false;
    }
    for (const auto& statement : statements) {
        if (book.ExecuteSql(Text::fromUtf8(statement))) continue;
        const Text why = book.ErrorText();
        book.RollbackTrans();
        // Creating a table that is there already is what fails when the book exists.
        if (why.toUtf8().find("42P07") != std::string::npos)
            error = T("The database holds an address book already; nothing was changed.\r\n") + why;
        else error = T("The server book could not be created; nothing was changed.\r\n") + why;
        return false;
    }
    if (!book.CommitTrans()) {
        error = T("The server book could not be stored; nothing was changed.\r\n") + book.ErrorText();
        return false;
    }
    return true;
}
