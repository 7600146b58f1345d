// Takes the README's screenshots of the real windows: the login window, the
// main window with contacts, and the main window with the contact record
// window docked beside it. Runs on a real display (tools/screenshots.sh
// starts one under Xvfb) in a temporary program folder holding a copy of the
// delivered VRL3.mdb filled with sample contacts.
//
// Usage: varelo_screenshots <output folder>

#include "app/program.h"
#include "contacts/main_window_handlers.h"
#include "services/core/message.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "support/address_book_copy.h"
#include "support/window_driver.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>
#include <fstream>

namespace {

class Refuse : public MessagePresenter {
public:
    int present(const MessageRequest& r) override {
        std::fprintf(stderr, "unexpected message: %s\n", r.text.toUtf8().c_str());
        return 1;
    }
};

void FillSampleBook(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    const char* sql =
        "BEGIN;"
        "INSERT INTO 通讯录 (姓名,手机,首字母,QQ,邮箱,分组,地址,籍贯,生日,备注,归属地) VALUES"
        " ('张三','13800138000','zs','10086001','zhangsan@example.com','同事','北京市海淀区中关村大街1号','河北',"
        "  '1980-01-06 00:00:00','项目经理','北京 移动全球通卡'),"
        " ('李四','13912345678','ls','20017002','lisi@example.com','同事','上海市浦东新区世纪大道8号','江苏',"
        "  '1985-05-20 00:00:00','','上海 移动神州行卡'),"
        " ('王五','15000001234','ww','','wangwu@example.com','家人','广州市天河区','广东',NULL,'','广东 广州 移动'),"
        " ('赵六','18600005678','zl','30028003','','朋友','','四川',NULL,'','北京 联通'),"
        " ('陈晓','18900007890','cx','','chenxiao@example.com','朋友','','湖南',NULL,'','湖南 长沙 电信'),"
        " ('刘洋','13000002468','ly','','','同事','','山东',NULL,'','山东 济南 联通'),"
        " ('周敏','13512349876','zm','','','家人','','浙江',NULL,'','浙江 杭州 移动'),"
        " ('吴杰','18612340000','wj','','','朋友','','福建',NULL,'','福建 厦门 联通');"
        "COMMIT;";
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void Settle(int ms) {
    QTest::qWait(ms);
    QCoreApplication::processEvents();
}

// The screen area of the windows, frames included.
bool Save(const std::vector<Window*>& windows, const QString& file) {
    QRect area;
    for (Window* w : windows)
        if (w && w->widget()) area |= w->widget()->frameGeometry();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool saved = !shot.isNull() && shot.save(file, "PNG");
    std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "FAILED", qPrintable(file), area.width(), area.height());
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    SetMessagePresenter(std::make_shared<Refuse>());
    HtmlBrowseBox::setDefaultFetcher([](const Text&) { return Bytes{}; });

    QTemporaryDir folder;
    const std::string book = folder.filePath("VRL3.mdb").toStdString();
    if (!CopyProgramFolder(folder.path().toStdString())) return 1;
    FillSampleBook(book);
    // The main window at a known place, with room for the record window at its right.
    std::ofstream(folder.filePath("Peizhi.ini").toStdString(), std::ios::binary)
        << Text::fromUtf8("[窗口位置]\r\n主窗口左边=20\r\n主窗口顶边=20\r\n").bytes();

    Program varelo(Text::fromUtf8(folder.path().toStdString()));
    varelo.setQuit([] {});
    if (!varelo.start()) return 1;
    Window* login = FindWindow("login");
    WindowDriver::type(*login, LoginControls::PasswordBox, "123456");
    Settle(600);
    bool ok = Save({login}, out + "/login_window.png");

    WindowDriver::click(*login, LoginControls::SignInButton);
    Settle(600);
    Window* main = FindWindow("main");
    if (!main) return 1;
    // As after a sign-in: the search box shows its grey placeholder.
    Settle(300);
    ok = Save({main}, out + "/main_window.png") && ok;

    ReportList* list = main->list(T(MainControls::ContactList));
    list->setCurrentSelection(0);
    open_row(varelo.state());
    Settle(800);
    ok = Save({main, FindWindow("record")}, out + "/record_window.png") && ok;

    WindowDriver::closeAllWindows();
    return ok ? 0 : 1;
}
