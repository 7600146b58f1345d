// The database service on a large address book, side by side with the bare
// SQLite API doing the same work:
//  - OpenTable("通讯录", "姓名 ASC") and a ReadText walk of 姓名 and 手机, with
//    the memory the open result holds;
//  - screens of 40 rows read with ReadTextAt at random places, as a list paints;
//  - the contact search statement for a three-character text;
//  - 1,000 single-row saves (MoveTo, 14 WriteText, Update).
// The book: a copy of the delivered VRL3.mdb with 100,000 contacts (or the
// number given), 5,000 of them with a 100 KB photo. Peak memory is the
// process's ru_maxrss, read right after the record set walk (the book is built
// by a child process so its memory does not count); the open result's memory
// is the growth of the resident size over the open. Times are wall-clock and
// processor seconds.
//
// Usage: db_bench [folder for the book, default a temporary folder] [contacts]

#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/detail/name_order.h"
#include "services/db/record_set.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>
#include "build_paths.h"

namespace {

int kContacts = 100000;
constexpr int kWithPhoto = 5000;
constexpr int kPhotoBytes = 100 * 1024;
constexpr int kSaves = 1000;

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double wallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

// The resident size now, in bytes.
long residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Names of two or three characters from common surnames and given-name characters.
void buildBook(const std::string& path) {
    const std::vector<std::string> surnames{"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                                            "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "罗"};
    const std::vector<std::string> given{"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳",
                                         "杰", "娟", "涛", "明", "超", "秀", "霞", "平", "刚", "桂", "小", "华"};
    const std::vector<std::string> groups{"家人", "同学", "同事", "朋友", "客户"};
    std::mt19937 random(20261208);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };

    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* st = nullptr;
    check(
        sqlite3_prepare_v2(db,
                           "INSERT INTO 通讯录 "
                           "(姓名,手机,首字母,手机备,QQ,QQ备,邮箱,分组,座机,分机,地址,籍贯,生日,备注,照片,归属地,性别)"
                           " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                           -1, &st, nullptr),
        db, "prepare");
    std::vector<unsigned char> photo(kPhotoBytes);
    for (auto& b : photo) b = static_cast<unsigned char>(random());
    for (int i = 0; i < kContacts; ++i) {
        std::string name = pick(surnames) + pick(given) + (random() % 2 ? pick(given) : "");
        char mobile[16], qq[16], date[32];
        std::snprintf(mobile, sizeof mobile, "1%02u%08u", 30 + unsigned(random() % 70), unsigned(random() % 100000000));
        std::snprintf(qq, sizeof qq, "%u", 10000 + unsigned(random() % 900000000));
        std::snprintf(date, sizeof date, "%04u-%02u-%02u 00:00:00", 1950 + unsigned(random() % 60),
                      1 + unsigned(random() % 12), 1 + unsigned(random() % 28));
        std::string texts[] = {name,
                               mobile,
                               "zs",
                               "",
                               qq,
                               "",
                               std::string(qq) + "@qq.com",
                               pick(groups),
                               "010-12345678",
                               "8001",
                               "北京市海淀区中关村大街1号",
                               "北京",
                               date,
                               "备注文字",
                               "",
                               "北京 移动",
                               random() % 2 ? "男" : "女"};
        for (int f = 0; f < 17; ++f) {
            if (f == 14) {
                if (i % (kContacts / kWithPhoto) == 0)
                    sqlite3_bind_blob(st, 15, photo.data(), int(photo.size()), SQLITE_STATIC);
                else sqlite3_bind_null(st, 15);
            } else if (texts[f].empty()) {
                sqlite3_bind_null(st, f + 1);
            } else {
                sqlite3_bind_text(st, f + 1, texts[f].c_str(), int(texts[f].size()), SQLITE_TRANSIENT);
            }
        }
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

// The bare API: prepare, step, read two text columns of every row.
double bareWalk(sqlite3* db, const std::string& sql, int nameColumn, int mobileColumn, long& rows, double& cpu) {
    Clock clock;
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db, "prepare");
    rows = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        bytes += std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(st, nameColumn)));
        const unsigned char* m = sqlite3_column_text(st, mobileColumn);
        bytes += m ? std::strlen(reinterpret_cast<const char*>(m)) : 0;
        ++rows;
    }
    sqlite3_finalize(st);
    cpu = clock.cpuSeconds();
    return bytes ? clock.wallSeconds() : -1;
}

double recordSetWalk(RecordSet& rs, long& rows, double& cpu) {
    Clock clock;
    std::size_t bytes = 0;
    rows = rs.RecordCount();
    for (long i = 0; i < rows; ++i) {
        bytes += rs.ReadText(T("姓名")).size() + rs.ReadText(T("手机")).size();
        rs.MoveNext();
    }
    cpu = clock.cpuSeconds();
    return bytes ? clock.wallSeconds() : -1;
}

void line(const char* what, double wall, double cpu, long rows) {
    std::printf("  %-52s %8.3f s wall %8.3f s cpu  (%ld rows)\n", what, wall, cpu, rows);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures appear as they are measured
    std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "varelo_db_bench";
    if (argc > 2) kContacts = std::max(kWithPhoto, std::atoi(argv[2]));
    std::filesystem::create_directories(folder);
    std::string path = (folder / "VRL3.mdb").string();
    std::filesystem::remove(path);
    std::filesystem::copy_file(std::string(VARELO_PROGRAM_DIR) + "/VRL3.mdb", path);

    Clock build;
    if (pid_t child = fork(); child == 0) {
        buildBook(path);
        _exit(0);
    } else {
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    }
    std::printf("Book: %d contacts, %d with a %d KB photo, %.0f MB, built in %.1f s\n", kContacts, kWithPhoto,
                kPhotoBytes / 1024, std::filesystem::file_size(path) / 1e6, build.wallSeconds());

    DBConnection connection;
    if (!connection.ConnectAccess(Text::fromUtf8(path))) {
        std::fprintf(stderr, "%s\n", connection.ErrorText().toUtf8().c_str());
        return 1;
    }
    // The name order kept in the book: built once at the first opening.
    Clock keep;
    KeepContactOrder(connection);
    line("KeepContactOrder (first opening: keys and indexes built)", keep.wallSeconds(), keep.cpuSeconds(), 0);
    RecordSet rs;
    rs.SetConnection(connection);

    // 1. The full list in name order.
    std::printf("\nOpenTable(\"通讯录\", \"姓名 ASC\") and a ReadText walk of 姓名, 手机:\n");
    long rows = 0;
    double cpuOpen = 0, cpuWalk = 0;
    const long residentBefore = residentBytes();
    Clock open;
    if (!rs.OpenTable(ContactsTable(), ContactsByName())) return 1;
    double openWall = open.wallSeconds();
    cpuOpen = open.cpuSeconds();
    const long openBytes = residentBytes() - residentBefore;
    double walkWall = recordSetWalk(rs, rows, cpuWalk);
    long peak = peakMegabytes();
    double oursWall = openWall + walkWall, oursCpu = cpuOpen + cpuWalk;
    line("RecordSet: OpenTable", openWall, cpuOpen, rows);
    line("RecordSet: ReadText walk", walkWall, cpuWalk, rows);
    line("RecordSet: total", oursWall, oursCpu, rows);
    std::printf("  memory the open result holds: %.1f MB, %.1f bytes a row\n", openBytes / 1e6,
                double(openBytes) / std::max(1, rs.RecordCount()));
    std::printf("  peak memory after the walk (ru_maxrss): %ld MB\n", peak);

    // 1b. A list painting screens of 40 rows at random places.
    {
        constexpr int kScreens = 500, kScreenRows = 40;
        std::mt19937 random(13);
        Clock paint;
        std::size_t bytes = 0;
        for (int screen = 0; screen < kScreens; ++screen) {
            const int top = int(random() % unsigned(std::max(1, rs.RecordCount() - kScreenRows)));
            for (int i = top; i < top + kScreenRows; ++i)
                bytes += rs.ReadTextAt(i, T("姓名")).size() + rs.ReadTextAt(i, T("手机")).size();
        }
        std::printf("  ReadTextAt: %.3f ms a screen of %d rows at a random place (%d screens, %zu bytes)\n",
                    paint.wallSeconds() * 1000 / kScreens, kScreenRows, kScreens, bytes);
    }
    rs.Close();

    sqlite3* bare = nullptr;
    sqlite3_open_v2(path.c_str(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    dbdetail::RegisterNameOrder(bare);
    double bareCpu = 0;
    double bareWall = bareWalk(bare, "select * from 通讯录 order by 姓名 COLLATE NAME_ORDER ASC", 1, 2, rows, bareCpu);
    line("bare API: same query (select *, name order)", bareWall, bareCpu, rows);
    double binaryCpu = 0;
    double binaryWall = bareWalk(bare, "select * from 通讯录 order by 姓名 ASC", 1, 2, rows, binaryCpu);
    line("bare API: select *, byte order", binaryWall, binaryCpu, rows);
    double slimCpu = 0;
    double slimWall =
        bareWalk(bare, "select 姓名, 手机 from 通讯录 order by 姓名 COLLATE NAME_ORDER ASC", 0, 1, rows, slimCpu);
    line("bare API: only 姓名, 手机 (name order)", slimWall, slimCpu, rows);
    double fieldsCpu = 0;
    double fieldsWall = bareWalk(bare,
                                 "select 编号,姓名,手机,首字母,手机备,QQ,QQ备,邮箱,分组,座机,分机,地址,籍贯,生日,备注,"
                                 "length(照片),归属地,性别 from 通讯录 order by 姓名 COLLATE NAME_ORDER ASC",
                                 1, 2, rows, fieldsCpu);
    line("bare API: every field, photo size only (name order)", fieldsWall, fieldsCpu, rows);
    std::printf("  ratio RecordSet / bare same query: %.2f wall, %.2f cpu (target at most 2)\n", oursWall / bareWall,
                oursCpu / bareCpu);
    std::printf("  ratio RecordSet / bare every field without photos: %.2f wall, %.2f cpu\n", oursWall / fieldsWall,
                oursCpu / fieldsCpu);

    // 2. The contact search for a three-character text.
    for (const char* typed : {"王小明", "138"}) {
        Text sql = ContactSearchSql(T(typed));
        std::printf("\nSearch for \"%s\":\n", typed);
        Clock search;
        if (!rs.Open(sql, RecordSet::kSqlText)) return 1;
        double searchOpen = search.wallSeconds(), searchOpenCpu = search.cpuSeconds();
        double searchWalkCpu = 0;
        double searchWalk = recordSetWalk(rs, rows, searchWalkCpu);
        line("RecordSet: Open and walk", searchOpen + searchWalk, searchOpenCpu + searchWalkCpu, rows);
        double searchBareCpu = 0;
        double searchBare = bareWalk(bare, dbdetail::WithNameOrdering(sql.toUtf8()), 1, 2, rows, searchBareCpu);
        line("bare API: same statement", searchBare, searchBareCpu, rows);
        std::printf("  ratio: %.2f wall, %.2f cpu (target at most 2)\n", (searchOpen + searchWalk) / searchBare,
                    (searchOpenCpu + searchWalkCpu) / searchBareCpu);
        rs.Close();
    }

    // 3. Single-row saves.
    std::printf("\n%d single-row saves (MoveTo, 14 WriteText, Update):\n", kSaves);
    if (!rs.OpenTable(ContactsTable(), ContactsByName())) return 1;
    const char* fields[] = {"姓名", "手机", "首字母", "手机备", "QQ",   "QQ备", "邮箱",
                            "分组", "座机", "分机",   "地址",   "籍贯", "生日", "备注"};
    Clock saves;
    int failed = 0;
    for (int i = 0; i < kSaves; ++i) {
        rs.MoveTo(int((long(i) * 97) % rs.RecordCount()));
        for (const char* f : fields) {
            Text value = std::string(f) == "生日" ? T("1980-01-06") : T("值") + TextOf(i);
            if (!rs.WriteText(T(f), value)) ++failed;
        }
        if (!rs.Update()) ++failed;
    }
    double savesWall = saves.wallSeconds();
    std::printf("  RecordSet: %.2f ms per save (%.2f s in all, %d failures)\n", savesWall * 1000 / kSaves, savesWall,
                failed);
    rs.Close();
    Clock bareSaves;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(bare,
                       "UPDATE 通讯录 SET 姓名=?,手机=?,首字母=?,手机备=?,QQ=?,QQ备=?,邮箱=?,分组=?,座机=?,分机=?,"
                       "地址=?,籍贯=?,生日=?,备注=? WHERE rowid=?",
                       -1, &st, nullptr);
    for (int i = 0; i < kSaves; ++i) {
        std::string value = "值" + std::to_string(i);
        for (int f = 1; f <= 14; ++f) sqlite3_bind_text(st, f, value.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 15, 1 + (long(i) * 97) % kContacts);
        check(sqlite3_step(st), bare, "update");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    double bareSavesWall = bareSaves.wallSeconds();
    std::printf("  bare API:  %.2f ms per save (%.2f s in all)\n", bareSavesWall * 1000 / kSaves, bareSavesWall);
    sqlite3_close(bare);
    connection.CloseConnection();
    if (argc <= 1) std::filesystem::remove_all(folder);
    return 0;
}
