// The batch attribution window over 1,000 contacts against a lookup service on
// 127.0.0.1: the real window and handlers, offscreen. Reports contacts per
// second and the user-interface thread's longest stall, measured by a timer
// that fires every 5 ms on that thread and records the largest gap between
// its ticks. Exits with 1 when the stall reaches 100 ms or the run fails.
// The book lies in the temporary folder (TMPDIR): on a disk, the write made
// for each contact dominates; on a memory file system, the 10 ms pause does.

#include "attribution/batch_window.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/window/commands.h"
#include "support/local_http_server.h"
#include "ui/batch_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kContacts = 1000;
constexpr int kTickMs = 5;
constexpr double kStallLimitMs = 100.0;

std::string NumberOf(int i) { return std::to_string(13800000000LL + i); }

bool FillBook(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    std::string sql = "BEGIN;";
    for (int i = 0; i < kContacts; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "c%04d", i);
        sql += "INSERT INTO 通讯录 (姓名, 手机) VALUES ('" + std::string(name) + "', '" + NumberOf(i) + "');";
    }
    sql += "COMMIT;";
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

int StoredAttributions(const std::string& path) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM 通讯录 WHERE 归属地 = '区域'", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return count;
}

// The window that owns the book's connection in the program.
WindowDecl MainStandIn() {
    WindowDecl w;
    w.id = "main";
    w.title = T("通讯录");
    w.width = 300;
    w.height = 200;
    w.controls = {ControlDecl{.kind = ControlKind::DBConnection, .name = T("数据库连接1")}};
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir folder;
    const std::string book = folder.filePath("VRL3.mdb").toStdString();
    if (!QFile::copy(QStringLiteral(VARELO_PROGRAM_DIR "/VRL3.mdb"), QString::fromStdString(book)) ||
        !QFile(QString::fromStdString(book)).setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        !FillBook(book)) {
        std::fprintf(stderr, "cannot prepare the address book %s\n", book.c_str());
        return 1;
    }

    LocalHttpServer service([](const LocalHttpServer::Request&) { return LocalHttpServer::attributionPage("区域"); });
    ProgramState state;
    state.settingsPath = Text::fromQString(folder.filePath("Peizhi.ini"));
    WriteIni(state.settingsPath, T("网络"), T("归属地查询地址"), Text::fromUtf8(service.baseUrl()));

    LoadWindow(MainStandIn(), HandlerTable{}, false);
    if (!FindWindow("main")->connection(T("数据库连接1"))->ConnectAccess(Text::fromUtf8(book))) {
        std::fprintf(stderr, "cannot open the address book\n");
        return 1;
    }
    LoadWindow(BatchWindowDecl(), batch_window_handlers(state), false);
    Window* batch = FindWindow("batch");
    if (!batch) return 1;
    if (!QTest::qWaitForWindowExposed(batch->widget())) std::fprintf(stderr, "the window was never shown\n");

    Clock::time_point lastTick = Clock::now();
    double longestStallMs = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longestStallMs = std::max(longestStallMs, Milliseconds(now - lastTick).count());
        lastTick = now;
    });
    ticker.start(kTickMs);

    const Control progress = batch->control(T("状态透明标签"));
    const Control button = batch->control(T("按钮_开始获取"));
    lastTick = Clock::now();
    const Clock::time_point start = Clock::now();
    qobject_cast<QAbstractButton*>(button.widget())->click();
    const bool done = QTest::qWaitFor(
        [&] { return progress.text() == T("获取已完成！！！") && button.text() == T("开始获取"); }, 300000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ticker.stop();

    DestroyWindow(batch, true);
    const int stored = StoredAttributions(book);
    std::printf("batch attribution: %d contacts in %.2f s, %.1f contacts/s (10 ms pause per contact included)\n",
                kContacts, seconds, kContacts / seconds);
    std::printf("requests served: %zu, attributions stored: %d (each stored at once; book in %s)\n",
                service.requestCount(), stored, folder.path().toUtf8().constData());
    std::printf("longest stall of the user-interface thread: %.1f ms (timer every %d ms; limit %.0f ms)\n",
                longestStallMs, kTickMs, kStallLimitMs);
    if (!done || stored != kContacts) {
        std::printf("FAILED: the run did not complete with every attribution stored\n");
        return 1;
    }
    if (longestStallMs >= kStallLimitMs) {
        std::printf("FAILED: the user-interface thread stalled for %.1f ms\n", longestStallMs);
        return 1;
    }
    return 0;
}
