#include "services/db/detail/spelling_function.h"

#include "services/core/pinyin_match.h"

#include <sqlite3.h>

#include <memory>
#include <new>
#include <string_view>

namespace dbdetail {

namespace {

std::string_view TextOf(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string_view();
}

void spellingMatch(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_int(context, 0);
    try {
        // The keys are prepared at the first row and kept with the statement.
        if (auto* query = static_cast<const SpellingQuery*>(sqlite3_get_auxdata(context, 1)))
            return sqlite3_result_int(context, query->MatchesUtf8(TextOf(argv[0])));
        auto query = std::make_unique<SpellingQuery>(TextOf(argv[1]));
        sqlite3_result_int(context, query->MatchesUtf8(TextOf(argv[0])));
        // SQLite owns it from here, and may free it at once.
        sqlite3_set_auxdata(context, 1, query.release(), [](void* p) { delete static_cast<SpellingQuery*>(p); });
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

}  // namespace

bool RegisterSpellingMatch(sqlite3* db) {
    return sqlite3_create_function(db, kSpellingMatchFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                   nullptr, spellingMatch, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace dbdetail
