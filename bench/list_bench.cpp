// Filling the report list the way the contact list does: a row without text
// inserted at the top, then its two cells, from the last record to the first,
// under descending auto sort. Prints the time for 100,000 and 200,000 rows
// and their ratio (linear growth gives about 2).

#include "services/core/text.h"
#include "services/window/report_list.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct Record {
    Text name;
    Text mobile;
};

std::vector<Record> MakeRecords(int n) {
    std::vector<Record> records;
    records.reserve(static_cast<std::size_t>(n));
    const Text surname = T("张");
    for (int i = 0; i < n; ++i) records.push_back({surname + TextOf(i), TextOf(13800000000LL + i)});
    return records;
}

double FillSeconds(ReportList& list, const std::vector<Record>& records) {
    const auto start = std::chrono::steady_clock::now();
    list.DeleteAllItems();
    for (int i = static_cast<int>(records.size()) - 1; i >= 0; --i) {
        const int row = list.InsertItem(0);
        list.SetItemText(row, 0, records[static_cast<std::size_t>(i)].name);
        list.SetItemText(row, 1, records[static_cast<std::size_t>(i)].mobile);
    }
    QCoreApplication::processEvents();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ReportList list;
    list.resize(216, 433);
    list.setAutoSort(2);
    list.setNoHeader(true);
    list.setFullRowSelect(true);
    list.setGridLines(true);
    list.InsertColumn(std::nullopt, T("  姓名"), 80);
    list.InsertColumn(std::nullopt, T("   手机"), 120);
    list.show();

    const auto small = MakeRecords(100000);
    const auto large = MakeRecords(200000);
    FillSeconds(list, small);  // warm-up
    const double t100 = FillSeconds(list, small);
    const bool orderKept = list.GetItemText(0) == small.front().name && list.GetItemText(99999) == small.back().name;
    const double t200 = FillSeconds(list, large);
    std::printf("100000 rows: %.3f s\n200000 rows: %.3f s\nratio: %.2f\nrecord order kept: %s\n", t100, t200,
                t200 / t100, orderKept ? "yes" : "no");
    return 0;
}
