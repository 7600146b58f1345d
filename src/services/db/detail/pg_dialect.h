#pragma once
// The program's statements are written for the book file's SQL; a server
// book runs them through this one translation, so that they mean the same
// there. Outside string literals and comments:
//  - [name] and `name` become "name";
//  - a name the server spells with capitals (a column "QQ") is quoted as the
//    server spells it, since the server folds unquoted names to lower case
//    where the book file compares them without regard to case;
//  - LIKE becomes ILIKE (the book file's LIKE ignores the case of Latin
//    letters), with ESCAPE '' after a literal pattern (the book file's LIKE
//    has no escape character; the server's would take the backslash);
//  - == becomes =; ifnull( becomes coalesce(, instr( becomes strpos(;
//  - ORDER BY a text column sorts in the program's name order (below).
// Literals keep their text: both read '' as a quote and a backslash as itself.

#include <set>
#include <string>

namespace dbdetail {

// Names compared without regard to ASCII case.
struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using ServerNames = std::set<std::string, NameLess>;

// What the translation needs to know of the server's book.
struct ServerSchema {
    ServerNames capitalised;   // names of tables and columns the server spells with capitals
    ServerNames textColumns;   // names of the text columns of the book's tables
    bool nameSortKey = false;  // the book has name_sort_key (server_book.sql)
};

// Where the book has name_sort_key, each term of the outermost ORDER BY that
// names a text column sorts by it, nulls first as in the book file; in a
// SELECT DISTINCT (whose order terms must be selected) the column's own
// collation orders.
std::string ToPostgres(const std::string& sql, const ServerSchema& schema);

// The text with the value of every Pwd= or Password= field (any letter case,
// braced or not) replaced by "***", and every occurrence of each given secret
// too: drivers echo connection texts in their messages.
std::string MaskedPasswords(std::string text, const std::set<std::string>& secrets = {});

// The values of the Pwd= and Password= fields of a connection text.
std::set<std::string> PasswordsOf(const std::string& connectionText);

}  // namespace dbdetail
