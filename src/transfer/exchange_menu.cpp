#include "transfer/exchange_menu.h"

#include "contacts/contact_list.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/window/commands.h"
#include "services/window/report_list.h"
#include "services/window/window.h"
#include "transfer/event_pump.h"
#include "transfer/import_export.h"
#include "transfer/text_import.h"
#include "ui/main_window_decl.h"

namespace {

// One exchange at a time: the menu stays usable while events run.
bool exchangeRunning = false;

class RunningGuard {
public:
    RunningGuard() : acquired_(!exchangeRunning) { exchangeRunning = true; }
    ~RunningGuard() {
        if (acquired_) exchangeRunning = false;
    }
    bool acquired() const { return acquired_; }

private:
    bool acquired_;
};

// The chosen file, in the file system's bytes; nothing when cancelled.
std::optional<std::string> ChooseFile(Window& main, ExchangeFormat format, bool save) {
    Control dialogControl = main.control(ExchangeDialogName());
    CommonDialog* dialog = main.dialog(ExchangeDialogName());
    if (!dialog) return std::nullopt;
    dialog->kind = save ? CommonDialog::kSaveFile : CommonDialog::kOpenFile;
    dialog->title = Text();
    if (format == ExchangeFormat::VCard) {
        dialog->filter = T("vCard 名片(*.vcf)|*.vcf;*.vcard|所有文件(*.*)|*.*");
        dialog->defaultExtension = T("vcf");
    } else {
        dialog->filter = T("CSV 文件(*.csv)|*.csv|所有文件(*.*)|*.*");
        dialog->defaultExtension = T("csv");
    }
    if (!ShowCommonDialog(dialogControl)) return std::nullopt;
    return dialogControl.text().toUtf8();
}

// Progress in the count label; window events run meanwhile, and closing
// the main window stops the run.
ExchangeProgress LabelProgress(Window& main, EventPump& pump) {
    return [&main, &pump](const char* what, int done, int total) {
        main.control(T(MainControls::CountLabel)).setText(T(what) + TextOf(done) + T(" 条记录"));
        (void)total;
        return pump.keepGoing(main);
    };
}

}  // namespace

void import_contacts_from_menu(ProgramState& state, ExchangeFormat format) {
    RunningGuard running;
    Window* main = MainWindow();
    DBConnection* book = MainAddressBook();
    if (!running.acquired() || !main || !book) return;
    const auto file = ChooseFile(*main, format, false);
    if (!file) return;
    EventPump pump;
    const ExchangeReport report = ImportContactsFile(*book, *file, format, LabelProgress(*main, pump));
    if (!MainWindow()) return;
    ShowMessage(report.message(), report.ok ? MessageStyle::kInformation : MessageStyle::kError, T("提示！"));
    fill_contact_list(state, kAllContacts);
}

void export_contacts_from_menu(ProgramState& state, ExchangeFormat format) {
    RunningGuard running;
    Window* main = MainWindow();
    DBConnection* book = MainAddressBook();
    if (!running.acquired() || !main || !book) return;
    const auto file = ChooseFile(*main, format, true);
    if (!file) return;
    const Text query = state.listQuery.empty()
                           ? T("select * from ") + ContactsTable() + T(" order by ") + ContactsByName()
                           : state.listQuery;
    EventPump pump;
    const ExchangeReport report = ExportContactsFile(*book, query, *file, format, LabelProgress(*main, pump));
    if (!MainWindow()) return;
    ShowMessage(report.message(), report.ok ? MessageStyle::kInformation : MessageStyle::kError, T("提示！"));
    main->control(T(MainControls::CountLabel))
        .setText(T("共 ") + TextOf(main->list(T(MainControls::ContactList))->ItemCount()) + T(" 条记录"));
}

HandlerTable transfer_menu_handlers(ProgramState& state) {
    using namespace MainHandlers;
    auto exchange = [&state](void (*run)(ProgramState&, ExchangeFormat), ExchangeFormat format) {
        return [&state, run, format](const EventArgs&) { run(state, format); };
    };
    return {
        {MenuTextImport, [&state](const EventArgs&) { open_text_import_window(state); }},
        {MenuImportExport, [&state](const EventArgs&) { open_import_export_window(state); }},
        {MenuImportVCard, exchange(import_contacts_from_menu, ExchangeFormat::VCard)},
        {MenuExportVCard, exchange(export_contacts_from_menu, ExchangeFormat::VCard)},
        {MenuImportCsv, exchange(import_contacts_from_menu, ExchangeFormat::Csv)},
        {MenuExportCsv, exchange(export_contacts_from_menu, ExchangeFormat::Csv)},
    };
}
