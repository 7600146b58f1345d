// The program the kill tests start and stop with SIGKILL at a random moment.
// It writes into the book in its folder through the real windows and prints,
// the moment the program reports them, the rows it claims to have stored:
//   fault_child import FOLDER ROWS   text import of ROWS names k<100000+i>;
//                                    prints "stored N" for each new status count
//   fault_child saves FOLDER COUNT   COUNT record window saves of s<100000+i>;
//                                    prints "saving NAME", then "said TEXT"

#include "contacts/main_window_handlers.h"
#include "contacts/record_editor.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "support/printing_presenter.h"
#include "transfer/text_import.h"
#include "ui/main_window_decl.h"
#include "ui/program_state.h"
#include "ui/record_window_decl.h"
#include "ui/text_import_window_decl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string NameOf(char kind, int i) { return kind + std::to_string(100000 + i); }

bool LoadMain(ProgramState& state) {
    HandlerTable handlers = main_window_contact_handlers(state);
    handlers[MainHandlers::Created] = [&state](const EventArgs& e) {
        DBConnection* connection = e.window.connection(T(MainControls::AddressBook));
        if (!connection->ConnectAccess(AddressBookFile())) {
            Say("no book");
            std::exit(2);
        }
        e.window.recordSet(T(MainControls::Contacts))->SetConnection(*connection);
        e.window.recordSet(T(MainControls::Users))->SetConnection(*connection);
        set_search_placeholder(state);
        state.recordWindowOpen = false;
        create_contact_columns(state);
    };
    return LoadWindow(MainWindowDecl(), handlers, false);
}

void Click(Window& window, const char* button) {
    if (auto* b = qobject_cast<QAbstractButton*>(window.control(T(button)).widget())) {
        b->setEnabled(true);
        b->click();
    }
}

// The count in "状态： 共导入 N 条记录"; -1 for any other status.
long long StatusCount(Window& w) {
    const std::string status = w.control(T(TextImportControls::StatusLabel)).text().toUtf8();
    const std::string label = "共导入 ";
    const auto at = status.find(label);
    return at == std::string::npos ? -1 : std::atoll(status.c_str() + at + label.size());
}

void RunImport(ProgramState& state, int rows) {
    QTimer::singleShot(0, [rows] {
        Window* w = FindWindow("text_import");
        if (!w) std::exit(3);
        std::string names, mobiles;
        for (int i = 0; i < rows; ++i) {
            names += NameOf('k', i) + "\r\n";
            mobiles += std::to_string(13000000000LL + i) + "\r\n";
        }
        w->control(T(TextImportControls::NameBox)).setText(T(names));
        w->control(T(TextImportControls::MobileBox)).setText(T(mobiles));
        // The status as the window shows it, printed as soon as it changes.
        auto* watch = new QTimer(w->widget());
        auto last = std::make_shared<long long>(-1);
        const auto report = [w, last] {
            const long long count = StatusCount(*w);
            if (count < 0 || count == *last) return;
            *last = count;
            Say("stored " + std::to_string(count));
        };
        QObject::connect(watch, &QTimer::timeout, report);
        watch->start(5);
        Click(*w, TextImportControls::WriteButton);
        watch->stop();
        report();
        Say("done");
        std::exit(0);
    });
    open_text_import_window(state);
}

void RunSaves(ProgramState& state, int count) {
    for (int i = 0; i < count; ++i) {
        new_contact(state);
        Window* record = FindWindow("record");
        if (!record) std::exit(3);
        const std::string name = NameOf('s', i);
        record->control(T(RecordControls::NameBox)).setText(T(name));
        record->control(T(RecordControls::MobileBox)).setText(T(std::to_string(13900000000LL + i)));
        record->control(T(RecordControls::RemarkBox)).setText(T(std::string(2000, 'r')));
        Say("saving " + name);
        save_contact(state);
        QCoreApplication::processEvents();
    }
    Say("done");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) return 1;
    const std::string mode = argv[1];
    if (!QDir::setCurrent(QString::fromLocal8Bit(argv[2]))) return 1;
    const int count = std::atoi(argv[3]);
    SetMessagePresenter(std::make_shared<PrintingPresenter>());
    ProgramState state;
    if (!LoadMain(state)) return 2;
    Say("ready");
    if (mode == "import") RunImport(state, count);
    else if (mode == "saves") RunSaves(state, count);
    else return 1;
    return 0;
}
