// One save from the record window with the list updated, on a book of many
// contacts: a change that keeps the contact's place (the row alone is read
// again), a change of group, a change of name (the query again), side by side
// with a full refill of the list. Also the process's memory before and after
// sign-in, which holds the listed rows.
//
// Usage: list_save_bench [contacts]   (default 100000)

#include "bench_program.h"
#include "bench_timing.h"
#include "contacts/contact_list.h"
#include "services/window/commands.h"
#include "support/window_driver.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QComboBox>

#include <cstdio>
#include <vector>
#include "build_paths.h"

int main(int argc, char** argv) {
    OffscreenUnlessChosen();
    QApplication app(argc, argv);
    const int contacts = ContactsToBench(argc, argv, 10);
    BenchProgram varelo(contacts);
    if (!varelo.startAndSignIn()) return 1;
    ReportList* list = &varelo.list();
    std::printf("%d contacts: sign-in %.0f ms, resident memory %.0f MB before, %.0f MB after (list of %d rows)\n",
                contacts, varelo.signInMs, varelo.residentBeforeMb, ResidentMb(), list->ItemCount());

    // The record window on a contact in the middle of the list.
    const int row = list->ItemCount() / 2;
    list->setCurrentSelection(row);
    WindowDriver::pressKey(varelo.mainWindow(), MainControls::ContactList, Qt::Key_Return);
    Window* record = FindWindow("record");
    if (!record) {
        std::fprintf(stderr, "no record window\n");
        return 1;
    }
    const auto save = [&] {
        const auto start = BenchClock::now();
        WindowDriver::click(*record, RecordControls::SaveButton);
        return MsSince(start);
    };
    std::vector<double> inPlace, group, renamed, refill;
    for (int round = 0; round < 5; ++round) {
        record->control(T(RecordControls::RemarkBox)).setText(T("备注") + TextOf(round));
        inPlace.push_back(save());
        auto* groups = qobject_cast<QComboBox*>(record->control(T(RecordControls::GroupBox)).widget());
        const QString name = QStringLiteral("测试组%1").arg(round % 2);
        if (groups->findText(name) < 0) groups->addItem(name);
        groups->setCurrentIndex(groups->findText(name));
        group.push_back(save());
        record->control(T(RecordControls::NameBox)).setText(T(round % 2 ? "张伟" : "张伟伟"));
        renamed.push_back(save());
        const auto at = BenchClock::now();
        fill_contact_list(varelo.program().state(), kAllContacts);
        refill.push_back(MsSince(at));
    }
    std::printf(
        "save, list updated (median of 5, ms): row kept %.1f, group changed %.1f, name changed %.1f; "
        "full refill %.1f\n",
        Median(inPlace), Median(group), Median(renamed), Median(refill));
    return 0;
}
