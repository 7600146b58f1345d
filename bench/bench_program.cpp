#include "bench_program.h"

#include "bench_timing.h"
#include "services/core/message.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "support/address_book_copy.h"
#include "support/window_driver.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

class StderrMessages : public MessagePresenter {
public:
    int present(const MessageRequest& r) override {
        if (r.text.toUtf8() != "保存成功！") std::fprintf(stderr, "message: %s\n", r.text.toUtf8().c_str());
        return 0;
    }
};

}  // namespace

void FillWithCommonNames(const std::string& book, int contacts) {
    const std::vector<std::string> surnames = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴",
                                               "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
    const std::vector<std::string> given = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋",
                                            "勇", "艳", "杰", "娟", "涛", "明", "超", "秀", "霞", "平"};
    const std::vector<std::string> prefixes = {"130", "133", "135", "138", "139", "150", "186", "189"};
    std::mt19937 random(20131);
    sqlite3* db = nullptr;
    sqlite3_open(book.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 通讯录 (姓名, 手机, 首字母, 分组) VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
    for (int i = 0; i < contacts; ++i) {
        std::string name = surnames[random() % surnames.size()] + given[random() % given.size()];
        if (random() % 2) name += given[random() % given.size()];
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08u", static_cast<unsigned>(random() % 100000000));
        const std::string mobile = prefixes[random() % prefixes.size()] + digits;
        const std::string initials = {static_cast<char>('a' + random() % 26), static_cast<char>('a' + random() % 26)};
        const std::string group = (i % 10 == 0) ? "同事" + std::to_string(i % 7) : "";
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, mobile.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, initials.c_str(), -1, SQLITE_TRANSIENT);
        if (group.empty()) sqlite3_bind_null(insert, 4);
        else sqlite3_bind_text(insert, 4, group.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void OffscreenUnlessChosen() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
}

int ContactsToBench(int argc, char** argv, int minimum) {
    return argc > 1 ? std::max(minimum, std::atoi(argv[1])) : 100000;
}

BenchProgram::BenchProgram(int contacts) {
    SetMessagePresenter(std::make_shared<StderrMessages>());
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });
    if (!CopyProgramFolder(folder_.path().toStdString())) return;
    const auto fillStart = BenchClock::now();
    FillWithCommonNames(bookPath(), contacts);
    std::printf("book: %d contacts written in %.0f ms\n", contacts, MsSince(fillStart));
    program_ = std::make_unique<Program>(Text::fromUtf8(folder_.path().toStdString()));
    program_->setQuit([] {});
}

BenchProgram::~BenchProgram() {
    for (int guard = 0; guard < 10 && !LoadedWindows().empty(); ++guard) DestroyWindow(LoadedWindows().front(), true);
}

bool BenchProgram::startAndSignIn() {
    if (!program_) return false;
    const auto startAt = BenchClock::now();
    program_->start();
    startMs = MsSince(startAt);
    Window* login = FindWindow("login");
    if (!login) {
        std::fprintf(stderr, "no login window\n");
        return false;
    }
    WindowDriver::type(*login, LoginControls::PasswordBox, "123456");
    residentBeforeMb = ResidentMb();
    const auto signInAt = BenchClock::now();
    const double signInCpuAt = ThreadCpuMs();
    WindowDriver::click(*login, LoginControls::SignInButton);
    signInMs = MsSince(signInAt);
    signInCpuMs = ThreadCpuMs() - signInCpuAt;
    main_ = FindWindow("main");
    list_ = main_ ? main_->list(T(MainControls::ContactList)) : nullptr;
    if (!list_) std::fprintf(stderr, "sign-in failed\n");
    return list_ != nullptr;
}
