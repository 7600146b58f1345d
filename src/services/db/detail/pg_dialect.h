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
//  - == becomes =; ifnull( becomes coalesce(, instr( becomes strpos(.
// Literals keep their text: both read '' as a quote and a backslash as itself.

#include <set>
#include <string>

namespace dbdetail {

// Names compared without regard to ASCII case.
struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using ServerNames = std::set<std::string, NameLess>;

std::string ToPostgres(const std::string& sql, const ServerNames& capitalisedNames);

// The text with the value of every Pwd= or Password= field (any letter case,
// braced or not) replaced by "***", and every occurrence of each given secret
// too: drivers echo connection texts in their messages.
std::string MaskedPasswords(std::string text, const std::set<std::string>& secrets = {});

// The values of the Pwd= and Password= fields of a connection text.
std::set<std::string> PasswordsOf(const std::string& connectionText);

}  // namespace dbdetail
