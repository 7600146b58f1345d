#include "app/program.h"

#include "accounts/login.h"
#include "app/command_line.h"
#include "app/skin.h"
#include "attribution/batch_window.h"
#include "attribution/mobile_number.h"
#include "attribution/service_refinement.h"
#include "contacts/main_window_handlers.h"
#include "services/core/core.h"
#include "services/net/fetch.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "transfer/exchange_menu.h"
#include "ui/address_book_open.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"

#include <QApplication>

#include <unistd.h>

#include <iostream>

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
    // The settings may name a shared book the login window opens already.
    state_.settingsPath = location_.settingsPath;
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
    HandlerTable table = main_window_handlers(state_, location_.settingsPath, [this] { quit_(); });
    table.merge(transfer_menu_handlers(state_));
    table.merge(batch_menu_handlers(state_));
    return table;
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
