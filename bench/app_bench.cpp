// The address book with 100,000 contacts: sign-in to a filled main window,
// and one search keystroke (requery and list refill) for a one-, two- and
// three-character text, side by side with the bare SQLite query of the same
// statement (same pinyin ordering, rows stepped and both columns read).
//
// Usage: app_bench [contacts]   (default 100000)

#include "bench_program.h"
#include "bench_timing.h"
#include "data/address_book.h"
#include "services/db/detail/name_order.h"
#include "services/db/record_set.h"
#include "services/window/report_list.h"
#include "ui/main_window_decl.h"

#include <QApplication>
#include <QLineEdit>

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The same statement straight on SQLite: prepared, every row stepped, the
// name and mobile number of each read. Returns milliseconds and the rows.
double BareQueryMs(const std::string& path, const Text& sql, int* rows, double* cpuMs) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    dbdetail::RegisterNameOrder(db);
    const std::string statementText = dbdetail::WithNameOrdering(sql.toUtf8());
    const auto start = BenchClock::now();
    const double cpuStart = ThreadCpuMs();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, statementText.c_str(), -1, &statement, nullptr);
    int n = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto* name = sqlite3_column_text(statement, 1);
        const auto* mobile = sqlite3_column_text(statement, 2);
        bytes += (name ? std::char_traits<char>::length(reinterpret_cast<const char*>(name)) : 0) +
                 (mobile ? std::char_traits<char>::length(reinterpret_cast<const char*>(mobile)) : 0);
        ++n;
    }
    sqlite3_finalize(statement);
    const double ms = MsSince(start);
    *cpuMs = ThreadCpuMs() - cpuStart;
    sqlite3_close(db);
    *rows = n;
    return bytes == static_cast<std::size_t>(-1) ? -1 : ms;
}

}  // namespace

int main(int argc, char** argv) {
    OffscreenUnlessChosen();
    QApplication app(argc, argv);
    BenchProgram varelo(ContactsToBench(argc, argv, 1));

    if (!varelo.startAndSignIn()) return 1;
    std::printf("start (login window, skin, users): %.1f ms\n", varelo.startMs);
    Window* main = &varelo.mainWindow();
    ReportList* list = &varelo.list();
    const std::string book = varelo.bookPath();
    std::printf("sign-in to a filled main window: %.1f ms (processor %.1f ms; %d rows listed)\n\n", varelo.signInMs,
                varelo.signInCpuMs, list->ItemCount());

    auto* search = qobject_cast<QLineEdit*>(main->control(T(MainControls::SearchBox)).widget());
    search->setFocus();
    QCoreApplication::processEvents();
    std::printf("wall-clock ms (processor ms of this thread in brackets), median of 5\n");
    std::printf("%-8s %8s %22s %22s %7s\n", "text", "rows", "keystroke", "bare query", "ratio");
    bool withinTargets = true;
    for (const char* text : {"1", "13", "138", "z", "zh", "张", "张伟"}) {
        const QString typed = QString::fromUtf8(text);
        std::vector<double> keystroke, bare, keystrokeCpu, bareCpu;
        int rows = 0;
        for (int round = 0; round < 5; ++round) {
            // The text up to its last character, then the keystroke measured.
            search->setText(typed.left(typed.size() - 1));
            QCoreApplication::processEvents();
            const auto at = BenchClock::now();
            const double cpuAt = ThreadCpuMs();
            search->insert(typed.right(1));  // one keystroke: the box's content-changed runs the search
            keystroke.push_back(MsSince(at));
            keystrokeCpu.push_back(ThreadCpuMs() - cpuAt);
            double cpu = 0;
            bare.push_back(BareQueryMs(book, ContactSearchSql(Text::fromQString(typed)), &rows, &cpu));
            bareCpu.push_back(cpu);
        }
        const double k = Median(keystroke), b = Median(bare);
        const double kc = Median(keystrokeCpu), bc = Median(bareCpu);
        std::printf("%-8s %8d %12.1f (%7.1f) %12.1f (%7.1f) %6.2fx\n", text, list->ItemCount(), k, kc, b, bc, kc / bc);
        if (list->ItemCount() != rows)
            std::printf("  (the list shows %d rows, the query %d)\n", list->ItemCount(), rows);
        if (kc > 100.0 || kc > 3 * bc) withinTargets = false;
    }
    // Where a keystroke's time goes, for the widest search.
    {
        RecordSet* contacts = main->recordSet(T(MainControls::Contacts));
        const Text sql = ContactSearchSql(T("1"));
        auto at = BenchClock::now();
        contacts->Open(sql, RecordSet::kSqlText);
        const double openMs = MsSince(at);
        const int count = contacts->RecordCount();
        std::vector<std::pair<Text, Text>> cells;
        cells.reserve(static_cast<std::size_t>(count));
        at = BenchClock::now();
        const FieldRef nameField(T("姓名")), mobileField(T("手机"));
        for (int record = count - 1; record >= 0; --record) {
            contacts->MoveTo(record);
            cells.emplace_back(contacts->ReadText(nameField), contacts->ReadText(mobileField));
        }
        const double readMs = MsSince(at);
        at = BenchClock::now();
        list->DeleteAllItems();
        for (const auto& [name, mobile] : cells) {
            const int row = list->InsertItem(0);
            list->SetItemText(row, 0, name);
            list->SetItemText(row, 1, mobile);
        }
        const double listMs = MsSince(at);
        std::printf("\nsearch \"1\" by parts: Open %.1f ms, reading %d records %.1f ms, list rows %.1f ms\n", openMs,
                    count, readMs, listMs);
    }
    std::printf("\ntargets, in processor time (keystroke <= 3x bare query and <= 100 ms): %s\n",
                withinTargets ? "met" : "NOT met");
    return 0;
}
