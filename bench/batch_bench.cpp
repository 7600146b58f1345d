// Number attribution, measured through the real windows, offscreen:
//  1. the batch attribution window over 1,000 contacts against a lookup
//     service on 127.0.0.1 (one request per contact, 10 ms pause between);
//  2. the batch attribution window over 100,000 contacts with no service:
//     offline attribution, contacts per second;
//  3. the record window showing a contact while the configured service never
//     answers: how long until the offline attribution is shown, and whether
//     the window keeps handling events meanwhile and when it closes.
// The user-interface thread's longest stall is measured by a timer that fires
// every 5 ms on that thread and records the largest gap between its ticks.
// Exits with 1 when a stall reaches 100 ms, the offline run is slower than
// 20,000 contacts a second, the offline attribution takes 50 ms or more, or a
// run fails. The books lie in the temporary folder (TMPDIR).

#include "attribution/batch_window.h"
#include "attribution/lookup.h"
#include "attribution/mobile_number.h"
#include "attribution/record_display.h"
#include "attribution/service_refinement.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "services/window/commands.h"
#include "support/local_http_server.h"
#include "support/window_driver.h"
#include "ui/batch_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include "build_paths.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kServiceContacts = 1000;
constexpr int kOfflineContacts = 100000;
constexpr int kTickMs = 5;
constexpr double kStallLimitMs = 100.0;
constexpr double kOfflineContactsPerSecond = 20000.0;
constexpr double kOfflineShownLimitMs = 50.0;

// Mobile numbers spread over today's segments, the same for every run.
std::string NumberOf(int i) {
    static const char* const segments[] = {"130",  "133",  "135",  "138", "139", "147", "150", "153", "158", "166",
                                           "1703", "1705", "1709", "173", "177", "180", "186", "189", "191", "199"};
    std::uint64_t x = 2654435761u * static_cast<std::uint64_t>(i + 1);
    const std::string segment = segments[i % std::size(segments)];
    std::string digits = std::to_string(10000000000ULL + x % 10000000000ULL).substr(1);
    return segment + digits.substr(0, 11 - segment.size());
}

bool FillBook(const std::string& path, int contacts) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok &&
         sqlite3_prepare_v2(db, "INSERT INTO 通讯录 (姓名, 手机) VALUES (?, ?)", -1, &insert, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < contacts; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "c%06d", i);
        const std::string number = NumberOf(i);
        sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

int CountRows(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
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
    w.controls = {ControlDecl{.kind = ControlKind::DBConnection, .name = T(MainControls::AddressBook)}};
    return w;
}

// The longest gap between ticks of a 5 ms timer on this thread while it runs.
class StallMeter {
public:
    StallMeter() {
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            longest_ = std::max(longest_, Milliseconds(now - last_).count());
            last_ = now;
        });
    }
    void start() {
        longest_ = 0;
        last_ = Clock::now();
        ticker_.start(kTickMs);
    }
    // A stretch of work measured as one stall (it runs on this thread).
    void include(const std::function<void()>& work) {
        const Clock::time_point begin = Clock::now();
        work();
        longest_ = std::max(longest_, Milliseconds(Clock::now() - begin).count());
        last_ = Clock::now();
    }
    double stop() {
        ticker_.stop();
        return longest_;
    }

private:
    QTimer ticker_;
    Clock::time_point last_;
    double longest_ = 0;
};

struct Book {
    QTemporaryDir folder;
    std::string path;
    ProgramState state;
};

bool PrepareBook(Book& book, int contacts, const std::string& service) {
    book.path = book.folder.filePath("VRL3.mdb").toStdString();
    if (!QFile::copy(QStringLiteral(VARELO_PROGRAM_DIR "/VRL3.mdb"), QString::fromStdString(book.path)) ||
        !QFile(QString::fromStdString(book.path)).setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        !FillBook(book.path, contacts)) {
        std::fprintf(stderr, "cannot prepare the address book %s\n", book.path.c_str());
        return false;
    }
    book.state.settingsPath = Text::fromQString(book.folder.filePath("Peizhi.ini"));
    if (!service.empty()) WriteIni(book.state.settingsPath, T("网络"), T("归属地查询地址"), Text::fromUtf8(service));
    if (!LoadWindow(MainStandIn(), HandlerTable{}, false) ||
        !FindWindow("main")->connection(T(MainControls::AddressBook))->ConnectAccess(Text::fromUtf8(book.path))) {
        std::fprintf(stderr, "cannot open the address book\n");
        return false;
    }
    return true;
}

struct BatchFigures {
    bool done = false;
    double openMs = 0;
    double seconds = 0;
    double longestStallMs = 0;
};

// Opens the batch window, clicks start and waits for "获取已完成！！！".
BatchFigures RunBatchWindow(Book& book) {
    BatchFigures figures;
    StallMeter meter;
    const Clock::time_point opening = Clock::now();
    LoadWindow(BatchWindowDecl(), batch_window_handlers(book.state), false);
    figures.openMs = Milliseconds(Clock::now() - opening).count();
    Window* batch = FindWindow("batch");
    if (!batch) return figures;
    if (!QTest::qWaitForWindowExposed(batch->widget())) std::fprintf(stderr, "the window was never shown\n");

    const Control progress = batch->control(T(BatchControls::ProgressText));
    const Control button = batch->control(T(BatchControls::StartStop));
    meter.start();
    const Clock::time_point start = Clock::now();
    meter.include([&] { WindowDriver::click(*batch, BatchControls::StartStop); });
    figures.done = QTest::qWaitFor(
        [&] { return progress.text() == T("获取已完成！！！") && button.text() == T("开始获取"); }, 600000);
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.longestStallMs = meter.stop();
    WindowDriver::closeAllWindows();
    return figures;
}

bool ServiceRun() {
    LocalHttpServer service([](const LocalHttpServer::Request&) { return LocalHttpServer::attributionPage("区域"); });
    Book book;
    if (!PrepareBook(book, kServiceContacts, service.baseUrl())) return false;
    const BatchFigures f = RunBatchWindow(book);
    const int stored = CountRows(book.path, "SELECT count(*) FROM 通讯录 WHERE 归属地 = '区域'");
    std::printf("1. with a service: %d contacts in %.2f s, %.1f contacts/s (10 ms pause per request included)\n",
                kServiceContacts, f.seconds, kServiceContacts / f.seconds);
    std::printf("   requests served: %zu, service attributions stored: %d; longest stall %.1f ms\n",
                service.requestCount(), stored, f.longestStallMs);
    bool ok = f.done && stored == kServiceContacts;
    if (!ok) std::printf("   FAILED: the run did not complete with every attribution stored\n");
    if (f.longestStallMs >= kStallLimitMs) ok = false, std::printf("   FAILED: stall of %.1f ms\n", f.longestStallMs);
    return ok;
}

bool OfflineRun() {
    Book book;
    if (!PrepareBook(book, kOfflineContacts, std::string())) return false;
    const BatchFigures f = RunBatchWindow(book);
    const int stored = CountRows(book.path, "SELECT count(*) FROM 通讯录 WHERE 归属地 IS NOT NULL AND 归属地 <> ''");
    const double rate = kOfflineContacts / f.seconds;
    std::printf(
        "2. offline: %d contacts in %.2f s, %.0f contacts/s (limit %.0f); longest stall during the run "
        "%.1f ms (limit %.0f)\n",
        kOfflineContacts, f.seconds, rate, kOfflineContactsPerSecond, f.longestStallMs, kStallLimitMs);
    std::printf("   attributions stored: %d; opening the window (reading the book) took %.1f ms\n", stored, f.openMs);
    bool ok = f.done && stored == kOfflineContacts;
    if (!ok) std::printf("   FAILED: the run did not complete with every attribution stored\n");
    if (rate < kOfflineContactsPerSecond) ok = false, std::printf("   FAILED: too slow\n");
    if (f.longestStallMs >= kStallLimitMs) ok = false, std::printf("   FAILED: stall of %.1f ms\n", f.longestStallMs);
    return ok;
}

bool SilentServiceRecordWindow() {
    // Far longer than the measurement: only the close ends the request.
    ScopedFetchTimeLimits limits(FetchTimeLimits{std::chrono::seconds(10), std::chrono::seconds(600)});
    LocalHttpServer silent([](const LocalHttpServer::Request&) { return LocalHttpServer::silent(); });
    Book book;
    if (!PrepareBook(book, kOfflineContacts, silent.baseUrl())) return false;
    DBConnection& connection = *FindWindow("main")->connection(T(MainControls::AddressBook));
    RecordSet contacts;
    contacts.SetConnection(connection);
    if (!contacts.OpenTable(T("通讯录"), T("姓名 ASC"))) return false;
    LoadWindow(RecordWindowDecl(), HandlerTable{}, false);
    Window* record = FindWindow("record");
    if (!record) return false;
    record->recordSet(T(RecordControls::Carriers))->SetConnection(connection);
    const Text address = attribution_service_address(book.state.settingsPath);
    Control label = record->control(T(RecordControls::PositionLabel));

    // As the program does at start-up.
    const Clock::time_point preparing = Clock::now();
    prepare_offline_attribution();
    const double prepareMs = Milliseconds(Clock::now() - preparing).count();

    StallMeter meter;
    meter.start();
    double longestShowMs = 0;
    const int shown = 20;
    for (int i = 0; i < shown; ++i) {
        contacts.MoveTo(i * (kOfflineContacts / shown));
        label.setText(T("当前选中第 ") + TextOf(i + 1) + T(" 条记录"));
        const Clock::time_point begin = Clock::now();
        meter.include([&] {
            show_carrier_logo(*record, contacts.ReadText(T("手机")));
            show_attribution(*record, contacts, address);
        });
        longestShowMs = std::max(longestShowMs, Milliseconds(Clock::now() - begin).count());
        if (FindText(label.text(), T("归属地：")) < 1) {
            std::printf("3. FAILED: no offline attribution shown for contact %d\n", i);
            return false;
        }
        QTest::qWait(100);  // the user looks at it while the question hangs
    }
    const bool asked = attribution_service_asked(*record);
    double closeMs = 0;
    meter.include([&] {
        const Clock::time_point begin = Clock::now();
        WindowDriver::closeAllWindows();
        closeMs = Milliseconds(Clock::now() - begin).count();
    });
    QTest::qWait(100);
    const double longestStallMs = meter.stop();
    const Clock::time_point ending = Clock::now();
    end_service_requests();
    const double endMs = Milliseconds(Clock::now() - ending).count();
    std::printf(
        "3. record window, service never answers: %d contacts shown, offline attribution shown after at most "
        "%.1f ms (limit %.0f) each\n",
        shown, longestShowMs, kOfflineShownLimitMs);
    std::printf("   (loading the numbering plan at start-up: %.1f ms, before the first contact)\n", prepareMs);
    std::printf(
        "   longest stall %.1f ms (limit %.0f), closing the window %.1f ms; requests made %zu, last still "
        "open at close: %s; request threads ended %.0f ms after exit began\n",
        longestStallMs, kStallLimitMs, closeMs, silent.requestCount(), asked ? "yes" : "no", endMs);
    bool ok = true;
    if (longestShowMs >= kOfflineShownLimitMs) ok = false, std::printf("   FAILED: offline attribution too late\n");
    if (longestStallMs >= kStallLimitMs) ok = false, std::printf("   FAILED: stall of %.1f ms\n", longestStallMs);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool ok = ServiceRun();
    ok = OfflineRun() && ok;
    ok = SilentServiceRecordWindow() && ok;
    return ok ? 0 : 1;
}
