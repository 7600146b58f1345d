// Search by pinyin spelling: what the spelling term costs a keystroke.
//  1. The matcher alone: nanoseconds per name, for GBK names and for the
//     UTF-8 names SQLite hands the SQL function, over 1,000,000 names.
//  2. The SQL function in a bare count over the book, beside a LIKE on the
//     same column.
//  3. A keystroke through the record set: the search with the spelling term
//     (what the contact list opens) beside the statement alone, opened and
//     counted, for texts a user types.
// The book: a copy of the delivered VRL3.mdb with N contacts (default
// 100,000), realistic two- and three-character names, some of them Latin.
//
// Usage: spelling_bench [contacts, default 100000] [folder for the book]

#include "bench_timing.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/pinyin_match.h"
#include "services/db/db_connection.h"
#include "services/db/detail/name_order.h"
#include "services/db/detail/spelling_function.h"
#include "services/db/record_set.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>
#include "build_paths.h"

namespace {

// UTF-8 names: common surnames (polyphones among them) and given-name
// characters, one in twenty a Latin name.
std::vector<std::string> MakeNames(std::size_t count) {
    const std::vector<std::string> surnames{"王", "李", "张", "刘", "陈",   "杨",   "黄",   "赵", "吴", "周",
                                            "徐", "孙", "马", "朱", "胡",   "郭",   "何",   "高", "林", "罗",
                                            "曾", "单", "解", "乐", "欧阳", "司马", "诸葛", "朴", "查", "仇"};
    const std::vector<std::string> given{"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳",
                                         "杰", "娟", "涛", "明", "超", "秀", "霞", "平", "刚", "桂", "小", "华",
                                         "长", "行", "重", "乐", "和", "文", "思", "雨", "晨", "宇", "子", "涵"};
    const std::vector<std::string> latin{"Alice", "Bob", "Carol", "David", "Emma", "Frank", "Grace", "Henry"};
    std::mt19937 random(20261209);
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (random() % 20 == 0) {
            names.push_back(latin[random() % latin.size()] + " " + latin[random() % latin.size()]);
            continue;
        }
        std::string name = surnames[random() % surnames.size()];
        for (int k = 0, n = 1 + static_cast<int>(random() % 2); k < n; ++k) name += given[random() % given.size()];
        names.push_back(name);
    }
    return names;
}

std::string Initials(const std::string& utf8) {
    const Text name = T(utf8);
    std::string out;
    for (std::size_t at = 0; at + 1 < name.size() && out.size() < 3; at += 2) {
        const Text reading = Pinyin(Text::fromBytes(name.bytes().substr(at, 2)), 1);
        if (!reading.empty()) out += reading.bytes()[0];
    }
    return out;
}

bool BuildBook(const std::string& path, const std::vector<std::string>& names) {
    std::error_code error;
    std::filesystem::copy_file(std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb", path,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error) return false;
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 通讯录 (姓名,手机,首字母,分组,邮箱) VALUES (?,?,?,?,?)", -1, &insert, nullptr);
    const char* groups[] = {"家人", "同学", "同事", "朋友", "客户"};
    std::mt19937 random(7);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string mobile = std::to_string(13000000000LL + static_cast<long long>(random() % 999999999));
        const std::string initials = Initials(names[i]);
        const std::string mail = "user" + std::to_string(i) + "@example.com";
        sqlite3_bind_text(insert, 1, names[i].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, initials.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, groups[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, mail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

long long BareCount(sqlite3* db, const std::string& sql, double& ms) {
    const double start = ThreadCpuMs();
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    ms = ThreadCpuMs() - start;
    return n;
}

struct Timing {
    double wall = 1e300;
    double processor = 1e300;
};

// The best of three: a keystroke on a warm book.
template <typename F>
Timing BestOfThree(F&& run) {
    Timing best;
    for (int i = 0; i < 3; ++i) {
        const auto start = BenchClock::now();
        const double cpu = ThreadCpuMs();
        run();
        best.wall = std::min(best.wall, MsSince(start));
        best.processor = std::min(best.processor, ThreadCpuMs() - cpu);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t contacts = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    const std::vector<const char*> keystrokes{"z",   "zh",       "zha",    "zhang", "zhangs", "zs",
                                              "wxm", "xiaoming", "ouyang", "a",     "1",      "138"};

    // 1. The matcher alone.
    const std::vector<std::string> utf8Names = MakeNames(1000000);
    std::vector<std::string> gbkNames;
    gbkNames.reserve(utf8Names.size());
    for (const std::string& name : utf8Names) gbkNames.push_back(T(name).bytes());
    std::printf("Matcher over %zu names (ns per name, GBK / UTF-8, wall and processor; names found):\n",
                utf8Names.size());
    SpellingQuery("warm").MatchesGbk("");
    for (const char* typed : keystrokes) {
        const SpellingQuery query(SpellingKeys(T(typed)).bytes());
        if (query.MatchesNothing()) continue;
        std::size_t found = 0;
        const auto gbkStart = BenchClock::now();
        double cpu = ThreadCpuMs();
        for (const std::string& name : gbkNames) found += query.MatchesGbk(name);
        const double gbkNs = MsSince(gbkStart) * 1e6 / gbkNames.size();
        const double gbkCpuNs = (ThreadCpuMs() - cpu) * 1e6 / gbkNames.size();
        const auto utf8Start = BenchClock::now();
        cpu = ThreadCpuMs();
        for (const std::string& name : utf8Names) found += query.MatchesUtf8(name);
        const double utf8Ns = MsSince(utf8Start) * 1e6 / utf8Names.size();
        const double utf8CpuNs = (ThreadCpuMs() - cpu) * 1e6 / utf8Names.size();
        std::printf("  %-10s wall %6.1f / %6.1f ns   processor %6.1f / %6.1f ns  %zu\n", typed, gbkNs, utf8Ns, gbkCpuNs,
                    utf8CpuNs, found / 2);
    }

    // The book.
    const std::string book = folder + "/spelling_bench.mdb";
    std::printf("\nBuilding a book of %zu contacts in %s ...\n", contacts, book.c_str());
    if (!BuildBook(book, MakeNames(contacts))) {
        std::fprintf(stderr, "cannot build the book\n");
        return 1;
    }

    // 2. The SQL function in a bare count.
    sqlite3* bare = nullptr;
    sqlite3_open_v2(book.c_str(), &bare, SQLITE_OPEN_READONLY, nullptr);
    dbdetail::RegisterNameOrder(bare);
    dbdetail::RegisterSpellingMatch(bare);
    std::printf("\nBare count over the book (processor ms, rows):\n");
    for (const char* typed : {"zhang", "zs", "z"}) {
        double likeMs = 0, spellingMs = 0;
        BareCount(bare, "select count(*) from 通讯录", likeMs);  // warm the cache
        const long long likeRows =
            BareCount(bare, std::string("select count(*) from 通讯录 where 姓名 like '%") + typed + "%'", likeMs);
        const long long spellingRows = BareCount(
            bare, std::string("select count(*) from 通讯录 where spelling_match(姓名, '") + typed + "')", spellingMs);
        std::printf("  %-6s like %6.1f ms (%lld)   spelling_match %6.1f ms (%lld)\n", typed, likeMs, likeRows,
                    spellingMs, spellingRows);
    }
    sqlite3_close(bare);

    // 3. Keystrokes through the record set.
    DBConnection connection;
    if (!connection.ConnectAccess(Text::fromFileSystem(book))) {
        std::fprintf(stderr, "cannot open the book\n");
        return 1;
    }
    RecordSet rs;
    rs.SetConnection(connection);
    std::printf("\nKeystroke: Open + RecordCount through the record set (ms wall / processor, best of 3; rows)\n");
    std::printf("  %-10s %18s %18s %10s %10s\n", "typed", "statement", "+ spelling", "rows", "rows+");
    for (const char* typed : keystrokes) {
        int plainRows = 0, spellingRows = 0;
        const Timing plain = BestOfThree([&] {
            rs.Open(ContactSearchSql(T(typed)), RecordSet::kSqlText);
            plainRows = rs.RecordCount();
        });
        const Timing spelling = BestOfThree([&] {
            rs.Open(ContactSearchWithSpellingSql(T(typed)), RecordSet::kSqlText);
            spellingRows = rs.RecordCount();
        });
        std::printf("  %-10s %8.1f / %7.1f %8.1f / %7.1f %10d %10d\n", typed, plain.wall, plain.processor,
                    spelling.wall, spelling.processor, plainRows, spellingRows);
    }
    rs.Close();
    connection.CloseConnection();
    std::filesystem::remove(book);
    return 0;
}
