#include "app/program.h"

#include "accounts/login.h"
#include "app/command_line.h"
#include "app/menu_windows.h"
#include "app/skin.h"
#include "attribution/carrier.h"
#include "attribution/mobile_number.h"
#include "attribution/service_refinement.h"
#include "contacts/main_window_handlers.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/net/fetch.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "ui/address_book_open.h"
#include "ui/docking.h"
#include "ui/login_window.h"
#include "ui/main_window.h"

#include <QApplication>

#include <unistd.h>

#include <iostream>

namespace {

// A minimised window reports far negative coordinates; its position is not kept.
bool PositionWorthSaving(int left, int top) { return left > -230 || top > -580; }

}  // namespace

Program::Program(Text programFolder)
    : programFolder_(std::move(programFolder)),
      location_(ChooseDataLocation(programFolder_)),
      quit_([] { QCoreApplication::quit(); }) {}

bool Program::start() {
    // Never left in whatever folder the program was started from: a book
    // there is not this user's. Entered by the folder's own bytes, so that any
    // name the file system allows works.
    if (!PrepareDataLocation(location_) ||
        ::chdir(location_.folder.empty() ? "/" : location_.folder.toFileSystem().c_str()) != 0)
        ExitAddressBookUnavailable();
    state_ = ProgramState{};
    return LoadWindow(LoginWindowDecl(), loginHandlers());
}

void Program::loadMainWindow() { LoadWindow(MainWindowDecl(), mainHandlers()); }

HandlerTable Program::loginHandlers() {
    HandlerTable table = login_window_handlers(state_, [this] { loadMainWindow(); });
    table[LoginHandlers::Created] = [this](const EventArgs&) {
        attach_skin(programFolder_);
        open_login_database(state_);
    };
    table[LoginHandlers::Destroying] = [this](const EventArgs&) {
        // Closed without a sign-in: nothing else is open, the program ends.
        if (!FindWindow("main")) quit_();
    };
    return table;
}

HandlerTable Program::mainHandlers() {
    HandlerTable table = main_window_contact_handlers(state_);
    table[MainHandlers::Created] = [this](const EventArgs& e) { mainCreated(e.window); };
    table[MainHandlers::Destroying] = [this](const EventArgs& e) { mainDestroying(e.window); };
    table[MainHandlers::Moved] = [this](const EventArgs&) { mainMoved(); };
    table[MainHandlers::MenuTextImport] = [this](const EventArgs&) { open_text_import_from_menu(state_); };
    table[MainHandlers::MenuImportExport] = [this](const EventArgs&) { open_import_export_from_menu(state_); };
    table[MainHandlers::MenuBatch] = [this](const EventArgs&) { open_batch_attribution_from_menu(state_); };
    table[MainHandlers::MenuImportVCard] = [this](const EventArgs&) { import_vcard_from_menu(state_); };
    table[MainHandlers::MenuExportVCard] = [this](const EventArgs&) { export_vcard_from_menu(state_); };
    table[MainHandlers::MenuImportCsv] = [this](const EventArgs&) { import_csv_from_menu(state_); };
    table[MainHandlers::MenuExportCsv] = [this](const EventArgs&) { export_csv_from_menu(state_); };
    return table;
}

void Program::mainCreated(Window& main) {
    state_.settingsPath = location_.settingsPath;
    if (FileExists(state_.settingsPath)) {
        const int left = ToInteger(ReadIni(state_.settingsPath, T(kPositionSection), T(kLeftKey), T("50")));
        const int top = ToInteger(ReadIni(state_.settingsPath, T(kPositionSection), T(kTopKey), T("50")));
        main.setLeft(left);
        main.setTop(top);
    }
    DBConnection* connection = main.connection(T(MainControls::AddressBook));
    ConnectAddressBookOrExit(*connection);
    // A book written by an older version learns the carrier segments added since.
    (void)bring_carrier_segments_up_to_date(*connection);
    main.recordSet(T(MainControls::Contacts))->SetConnection(*connection);
    main.recordSet(T(MainControls::Users))->SetConnection(*connection);
    set_search_placeholder(state_);
    load_weather_window(state_);
    state_.recordWindowOpen = false;
    create_contact_columns(state_);
}

void Program::mainDestroying(Window& main) {
    DestroyWindow("weather", true);
    if (state_.recordWindowOpen) DestroyWindow("record", true);
    const int left = main.left();
    const int top = main.top();
    if (PositionWorthSaving(left, top)) {
        WriteIni(state_.settingsPath, T(kPositionSection), T(kLeftKey), TextOf(left));
        WriteIni(state_.settingsPath, T(kPositionSection), T(kTopKey), TextOf(top));
    }
    quit_();
}

void Program::mainMoved() {
    if (Window* weather = FindWindow("weather"); weather && weather->visible()) dock_beside_main(*weather);
    if (state_.recordWindowOpen)
        if (Window* record = FindWindow("record")) dock_beside_main(*record);
}

int RunVarelo(int argc, char** argv) {
    // A command-line task runs before any window-system object exists, so it
    // needs no display.
    if (IsCommandLineRun(argc, argv)) return RunCommandLine(argc, argv, std::cout, std::cerr);
    QApplication app(argc, argv);
    // The program ends when the main window closes, not when its last
    // visible window goes (the login window hides before the main one shows).
    QApplication::setQuitOnLastWindowClosed(false);
    PrepareWebFetch();
    prepare_offline_attribution();
    // Cancellable, so closing the weather window never waits out a dead host.
    HtmlBrowseBox::setDefaultFetcher(
        [](const Text& url, std::stop_token cancel) { return fetch_web_page(url, cancel); });
    Program program(ProgramFolder());
    if (!program.start()) return 0;
    const int exitCode = app.exec();
    // Lookup requests still on their way are cut short and waited for.
    end_service_requests();
    return exitCode;
}
