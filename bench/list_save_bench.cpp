// One save from the record window with the list updated, on a book of many
// contacts: a change that keeps the contact's place (the row alone is read
// again), a change of group, a change of name (the query again), side by side
// with a full refill of the list. Also the process's memory before and after
// sign-in, which holds the listed rows.
//
// Usage: list_save_bench [contacts]   (default 100000)

#include "app/program.h"
#include "contacts/contact_list.h"
#include "services/core/message.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#include "build_paths.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of the process, in MB.
double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

class Silent : public MessagePresenter {
public:
    int present(const MessageRequest& r) override {
        if (r.text.toUtf8() != "保存成功！") std::fprintf(stderr, "message: %s\n", r.text.toUtf8().c_str());
        return 0;
    }
};

// Names of two or three common characters, mobile numbers, one group in ten.
void FillBook(const std::string& path, int contacts) {
    const std::vector<std::string> surnames = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
    const std::vector<std::string> given = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋"};
    std::mt19937 random(1313);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 通讯录 (姓名, 手机, 分组) VALUES (?, ?, ?)", -1, &insert, nullptr);
    for (int i = 0; i < contacts; ++i) {
        std::string name = surnames[random() % surnames.size()] + given[random() % given.size()];
        if (random() % 2) name += given[random() % given.size()];
        const std::string mobile = std::to_string(13000000000LL + random() % 1000000000);
        const std::string group = i % 10 == 0 ? "同事" + std::to_string(i % 7) : "";
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
        if (group.empty()) sqlite3_bind_null(insert, 3);
        else sqlite3_bind_text(insert, 3, group.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int contacts = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    SetMessagePresenter(std::make_shared<Silent>());
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });

    QTemporaryDir folder;
    const std::filesystem::path program(VARELO_PROGRAM_DIR);
    const std::string book = folder.filePath("VRL3.mdb").toStdString();
    std::filesystem::copy_file(program / "VRL3.mdb", book);
    std::filesystem::copy_file(program / "libSkinH_EL.so", folder.filePath("libSkinH_EL.so").toStdString());
    FillBook(book, contacts);

    Program varelo(Text::fromUtf8(folder.path().toStdString()));
    varelo.setQuit([] {});
    varelo.start();
    Window* login = FindWindow("login");
    QTest::keyClicks(qobject_cast<QLineEdit*>(login->control(T(LoginControls::PasswordBox)).widget()), "123456");
    const double before = ResidentMb();
    auto at = Clock::now();
    QTest::mouseClick(login->control(T(LoginControls::SignInButton)).widget(), Qt::LeftButton);
    const double signInMs = MsSince(at);
    Window* main = FindWindow("main");
    ReportList* list = main ? main->list(T(MainControls::ContactList)) : nullptr;
    if (!list) {
        std::fprintf(stderr, "sign-in failed\n");
        return 1;
    }
    std::printf("%d contacts: sign-in %.0f ms, resident memory %.0f MB before, %.0f MB after (list of %d rows)\n",
                contacts, signInMs, before, ResidentMb(), list->ItemCount());

    // The record window on a contact in the middle of the list.
    const int row = list->ItemCount() / 2;
    list->setCurrentSelection(row);
    QTest::keyClick(list, Qt::Key_Return);
    Window* record = FindWindow("record");
    if (!record) {
        std::fprintf(stderr, "no record window\n");
        return 1;
    }
    const auto save = [&] {
        const auto start = Clock::now();
        QTest::mouseClick(record->control(T(RecordControls::SaveButton)).widget(), Qt::LeftButton);
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
        at = Clock::now();
        fill_contact_list(varelo.state(), kAllContacts);
        refill.push_back(MsSince(at));
    }
    std::printf(
        "save, list updated (median of 5, ms): row kept %.1f, group changed %.1f, name changed %.1f; "
        "full refill %.1f\n",
        Median(inPlace), Median(group), Median(renamed), Median(refill));
    for (int guard = 0; guard < 10 && !LoadedWindows().empty(); ++guard) DestroyWindow(LoadedWindows().front(), true);
    return 0;
}
