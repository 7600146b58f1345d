// A second desktop on the shared book for the tests: the program's main window
// (and its record and batch windows) on the book the program folder's
// Peizhi.ini names, driven by one command a line on standard input. Every
// answer ends with the line "ok".
//   shared_book_desktop FOLDER
//   list                   the list refilled; "row NAME|MOBILE" per row
//   open NAME              the contact of that name opened in the record window
//   type FIELD TEXT        FIELD: mobile or remark, typed into the record window
//   save                   the record window's save; "said TEXT" per message box
//   batch-open             the batch attribution window opened (it reads the contacts)
//   batch-run              its start pressed, waited for; "status TEXT"

#include "app/program.h"
#include "attribution/batch_window.h"
#include "contacts/contact_list.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "support/printing_presenter.h"
#include "support/window_driver.h"
#include "ui/batch_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <iostream>
#include <string>

namespace {

ReportList* List() {
    Window* main = FindWindow("main");
    return main ? main->list(T(MainControls::ContactList)) : nullptr;
}

void Run(const std::string& command, const std::string& rest, ProgramState& state) {
    if (command == "list") {
        fill_contact_list(state, kAllContacts);
        ReportList* list = List();
        for (int row = 0; list && row < list->ItemCount(); ++row)
            Say("row " + list->GetItemText(row, 0).toUtf8() + "|" + list->GetItemText(row, 1).toUtf8());
    } else if (command == "open") {
        fill_contact_list(state, kAllContacts);
        ReportList* list = List();
        for (int row = 0; list && row < list->ItemCount(); ++row) {
            if (list->GetItemText(row, 0).toUtf8() != rest) continue;
            list->setCurrentSelection(row);
            QTest::keyClick(list, Qt::Key_Return);
            WindowDriver::settle();
        }
        if (!FindWindow("record")) Say("not opened");
    } else if (command == "type") {
        const auto space = rest.find(' ');
        const std::string field = rest.substr(0, space), text = rest.substr(space + 1);
        const char* control = field == "mobile" ? RecordControls::MobileBox : RecordControls::RemarkBox;
        if (Window* record = FindWindow("record")) WindowDriver::type(*record, control, text);
    } else if (command == "save") {
        if (Window* record = FindWindow("record")) WindowDriver::click(*record, RecordControls::SaveButton);
        WindowDriver::settle();
    } else if (command == "batch-open") {
        LoadWindow(BatchWindowDecl(), batch_window_handlers(state), false);
    } else if (command == "batch-run") {
        Window* batch = FindWindow("batch");
        if (!batch) return Say("no batch window");
        WindowDriver::click(*batch, BatchControls::StartStop);
        QTest::qWaitFor([batch] { return WindowDriver::textOf(*batch, BatchControls::StartStop) == "开始获取"; },
                        600000);
        Say("status " + WindowDriver::textOf(*batch, BatchControls::ProgressText));
    } else {
        Say("unknown " + command);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        Say("usage: shared_book_desktop FOLDER");
        return 2;
    }
    SetMessagePresenter(std::make_shared<PrintingPresenter>());
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });
    const Text folder = Text::fromFileSystem(argv[1]);
    Program program(folder);
    program.setQuit([] {});
    QDir::setCurrent(folder.toQFileName());
    program.loadMainWindow();
    if (!FindWindow("main")) {
        Say("no main window");
        return 1;
    }
    Say("ready");
    std::string line;
    while (std::getline(std::cin, line) && line != "quit") {
        const auto space = line.find(' ');
        Run(line.substr(0, space), space == std::string::npos ? std::string() : line.substr(space + 1),
            program.state());
        Say("ok");
    }
    WindowDriver::closeAllWindows();
    return 0;
}
