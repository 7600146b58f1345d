// Start-up and shutdown: the skin, the address book at both opening points,
// the saved position of the main window, the companion windows.

#include "app/skin.h"
#include "contacts/main_window_handlers.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/system/system.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/window_impl.h"
#include "support/stages/program_fixture.h"
#include "ui/about_window_decl.h"
#include "ui/address_book_open.h"
#include "ui/main_window_decl.h"
#include "ui/weather_window_decl.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// Inside a dying process: what was shown, on stderr, for the death test to match.
class EchoPresenter : public MessagePresenter {
public:
    int present(const MessageRequest& r) override {
        std::fprintf(stderr, "[%s|%s|%d]", r.caption.toUtf8().c_str(), r.text.toUtf8().c_str(), r.flags);
        return 0;
    }
};

std::string ReadSetting(const std::string& file, const char* section, const char* key) {
    return ReadIni(Text::fromFileSystem(file), T(section), T(key), T("missing")).toUtf8();
}

// Where the window stands, "left,top".
std::string PositionOf(const Window& window) {
    return std::to_string(window.left()) + "," + std::to_string(window.top());
}

// Moves the main window to (left, top) and closes it; the position the
// settings hold afterwards, "left,top".
std::string PositionSavedOnClosing(Window* main, const std::string& settings, int left, int top) {
    main->setLeft(left);
    main->setTop(top);
    DestroyWindow(main, true);
    return ReadSetting(settings, "窗口位置", "主窗口左边") + "," + ReadSetting(settings, "窗口位置", "主窗口顶边");
}

using Startup = ProgramFixture;

}  // namespace

TEST_F(Startup, SkinIsWrittenToTheTemporaryFolderAndApplied) {
    qApp->setStyleSheet(QString());
    const Text skinFile = SpecialFolder(11) + T("pf.she");
    std::filesystem::remove(skinFile.toUtf8());
    attach_skin(folderText());
    EXPECT_EQ(ReadFile(skinFile), EmbeddedSkin());
    EXPECT_GT(EmbeddedSkin().size(), 1000u);
    // The library restyled the application with the skin's style sheet.
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

TEST_F(Startup, FatalReportTextNamesTheLibraryAndItsEntryPoint) {
    EXPECT_EQ(MissingSkinEntryText().toUtf8(), "无法找到指定DLL库文件“SkinH_EL.dll”中的输出命令“SkinH_AttachEx”");
}

TEST_F(Startup, MissingSkinLibraryEndsTheProgramWithTheFatalReport) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(folder_.file("libSkinH_EL.so"));
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<EchoPresenter>());
            attach_skin(folderText());
        },
        ::testing::ExitedWithCode(255),
        "\\[错误\\|运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“SkinH_EL.dll”中的输出命令“SkinH_"
        "AttachEx”\r\n\\|");
}

TEST_F(Startup, SkinLibraryWithoutTheEntryPointEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A real shared object that lacks SkinH_AttachEx.
    const std::filesystem::path other = "/usr/lib/x86_64-linux-gnu/libsqlite3.so.0";
    ASSERT_TRUE(std::filesystem::exists(other));
    std::filesystem::copy_file(other, folder_.file("libSkinH_EL.so"),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<EchoPresenter>());
            attach_skin(folderText());
        },
        ::testing::ExitedWithCode(255), "输出命令“SkinH_AttachEx”");
}

TEST_F(Startup, MissingAddressBookAtLoginTellsTheUserAndExitsWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::filesystem::remove(bookPath());
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<EchoPresenter>());
            QDir::setCurrent(QString::fromStdString(folder_.path()));
            DBConnection connection;
            ConnectAddressBookOrExit(connection, Text());
        },
        ::testing::ExitedWithCode(0), "\\[信息：\\|数据库连接失败！！\\|8256\\]");
}

TEST_F(Startup, AddressBookGoneBeforeTheMainWindowTellsTheUserAndExitsWithZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetMessagePresenter(std::make_shared<EchoPresenter>());
            std::filesystem::remove(bookPath());
            program_->loadMainWindow();
        },
        ::testing::ExitedWithCode(0), "\\[信息：\\|数据库连接失败！！\\|8256\\]");
}

TEST_F(Startup, WorkingFolderBecomesTheProgramFolder) {
    QDir::setCurrent(QDir::tempPath());
    start();
    EXPECT_EQ(std::filesystem::canonical(std::filesystem::current_path()), std::filesystem::canonical(folder_.path()));
}

// A program folder whose name GBK cannot hold, such as a user's home folder.
class StartupInAFolderOutsideTheCodePage : public ProgramFixture {
protected:
    StartupInAFolderOutsideTheCodePage() : ProgramFixture("jörg/varelo") {}
};

TEST_F(StartupInAFolderOutsideTheCodePage, OpensItsBookAndWritesItsSettingsThere) {
    // The program holds its folder by the folder's own bytes and reads its
    // book there. Checked first: a book that fails to open ends the process.
    ASSERT_EQ(program_->programFolder().toFileSystem(), programFolder_);
    ASSERT_EQ(ReadFile(program_->programFolder() + T("/VRL3.mdb")).size(), std::filesystem::file_size(bookPath()));
    signIn();
    EXPECT_EQ(std::filesystem::canonical(std::filesystem::current_path()), std::filesystem::canonical(programFolder_));
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(messages_->shown.empty());
    const std::string saved = PositionSavedOnClosing(main, settingsPath(), 140, 90);
    ASSERT_TRUE(std::filesystem::exists(settingsPath()));
    EXPECT_EQ(saved, "140,90");
    EXPECT_FALSE(std::filesystem::exists(folder_.file("j?rg/varelo/Peizhi.ini")));
}

TEST_F(Startup, FirstStartWithoutSettingsOpensCentredAndClosingWritesThePosition) {
    ASSERT_FALSE(std::filesystem::exists(settingsPath()));
    signIn();
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_NEAR(main->left(), (screen.width() - main->width()) / 2, 2);
    EXPECT_NEAR(main->top(), (screen.height() - main->height()) / 2, 2);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));

    EXPECT_EQ(PositionSavedOnClosing(main, settingsPath(), 140, 90), "140,90");
    EXPECT_EQ(quitCalls_, 1);
}

TEST_F(Startup, ReopensAtTheSavedPosition) {
    signIn();
    Window* main = FindWindow("main");
    main->setLeft(210);
    main->setTop(33);
    DestroyWindow(main, true);

    // The next start of the program.
    program_ = std::make_unique<Program>(folderText());
    program_->setQuit([] {});
    signIn();
    main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(PositionOf(*main), "210,33");
}

TEST_F(Startup, SettingsWithoutThePositionSectionPlaceTheWindowAtFifty) {
    writeSettings("[目录]\r\n照片对话框的目录=/tmp/a.jpg\r\n");
    Window* main = loadMain();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(PositionOf(*main), "50,50");
}

TEST_F(Startup, APositionThatIsNotANumberCountsAsZero) {
    writeSettings("[窗口位置]\r\n主窗口左边=abc\r\n主窗口顶边=70\r\n");
    Window* main = loadMain();
    EXPECT_EQ(PositionOf(*main), "0,70");
}

TEST_F(Startup, AMinimisedPositionIsNotSaved) {
    writeSettings("[窗口位置]\r\n主窗口左边=300\r\n主窗口顶边=200\r\n");
    EXPECT_EQ(PositionSavedOnClosing(loadMain(), settingsPath(), -32000, -32000), "300,200");
}

TEST_F(Startup, EitherEdgeInsideTheLimitSavesThePosition) {
    EXPECT_EQ(PositionSavedOnClosing(loadMain(), settingsPath(), -229, -32000), "-229,-32000");
}

TEST_F(Startup, ClosingTheLoginWindowWithoutSigningInEndsTheProgram) {
    start();
    DestroyWindow(FindWindow("login"), true);
    EXPECT_EQ(quitCalls_, 1);
}

TEST_F(Startup, SigningInDoesNotEndTheProgram) {
    signIn();
    EXPECT_EQ(FindWindow("login"), nullptr);
    EXPECT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(quitCalls_, 0);
}

TEST_F(Startup, MainWindowCreatesTheHiddenWeatherWindowAndDestroysItOnClose) {
    Window* main = loadMain();
    Window* weather = FindWindow("weather");
    ASSERT_NE(weather, nullptr);
    EXPECT_FALSE(weather->visible());
    DestroyWindow(main, true);
    EXPECT_EQ(FindWindow("weather"), nullptr);
}

TEST_F(Startup, WithoutAWeatherPageThePopUpSaysWhereToSetOne) {
    loadMain();
    HtmlBrowseBox* page = FindWindow("weather")->htmlBrowseBox(T(WeatherControls::Page));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->address().empty());  // nothing is fetched
    EXPECT_FALSE(page->isLoading());
    const std::string shown = page->shownText().toStdString();
    EXPECT_NE(shown.find("天气页地址"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Peizhi.ini"), std::string::npos) << shown;
}

TEST_F(Startup, AnOlderBookGainsTheNewCarrierSegmentsWhenTheProgramOpensIt) {
    execSql(
        "DELETE FROM 所属网络 WHERE 手机号 IN ('192', '1349'); UPDATE 所属网络 SET 运营商 = '中国移动' WHERE 手机号 = "
        "'138';"
        "INSERT INTO 所属网络 (手机号, 运营商) VALUES ('1440', '移动物联网');");
    ASSERT_TRUE(query("select 运营商 from 所属网络 where 手机号 = '192'").empty());
    signIn();
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(query("select 运营商 from 所属网络 where 手机号 = '192'"), std::vector<std::string>{"广电"});
    EXPECT_EQ(query("select 运营商 from 所属网络 where 手机号 = '1349'"), std::vector<std::string>{"电信"});
    EXPECT_EQ(query("select 运营商 from 所属网络 where 手机号 = '138'"), std::vector<std::string>{"中国移动"});
    EXPECT_EQ(query("select 运营商 from 所属网络 where 手机号 = '1440'"), std::vector<std::string>{"移动物联网"});
    EXPECT_EQ(query("select count(*) from 所属网络 where 手机号 = '130'"), std::vector<std::string>{"1"});
}

TEST_F(Startup, WeatherPageHostComesFromTheSettings) {
    writeSettings("[网络]\r\n天气页地址= http://127.0.0.1:8080/ \r\n");
    loadMain();
    EXPECT_EQ(FindWindow("weather")->control(T(WeatherControls::Page)).text().toUtf8(),
              "http://127.0.0.1:8080/tb.q?cid=webq.wea");
}

TEST_F(Startup, VisibleWeatherWindowFollowsTheMainWindow) {
    Window* main = loadMain();
    Window* weather = FindWindow("weather");
    main->setLeft(100);
    main->setTop(120);
    weather->setVisible(true);
    main->setLeft(150);
    settle();
    EXPECT_EQ(weather->top(), main->top());
    EXPECT_EQ(weather->left(), main->left() + main->width());

    // A hidden one stays where it was.
    weather->setVisible(false);
    const int before = weather->left();
    main->setLeft(170);
    settle();
    EXPECT_EQ(weather->left(), before);
}

TEST_F(Startup, WeatherShowsOnlyWhileTheCursorRestsOnTheSun) {
    Window* main = loadMain();
    main->widget()->raise();
    main->widget()->activateWindow();
    QWidget* sun = main->control(T(MainControls::WeatherIcon)).widget();
    QCursor::setPos(sun->mapToGlobal(sun->rect().center()));
    if (WindowUnderCursor() != sun) GTEST_SKIP() << "this platform does not move the cursor";
    weather_hover(program_->state());
    Window* weather = FindWindow("weather");
    EXPECT_TRUE(weather->visible());
    EXPECT_EQ(weather->top(), main->top());

    QWidget* list = main->control(T(MainControls::ContactList)).widget();
    QCursor::setPos(list->mapToGlobal(list->rect().center()));
    weather_hover(program_->state());
    EXPECT_FALSE(weather->visible());
}

TEST_F(Startup, MainMenuHasItsItemsInOrder) {
    Window* main = loadMain();
    ASSERT_EQ(main->decl().menus.size(), 1u);
    std::vector<std::string> captions;
    for (const auto& item : main->decl().menus[0].items) captions.push_back(item.caption.toUtf8());
    EXPECT_EQ(captions, (std::vector<std::string>{"导入txt", "导入\\导出", "导入vCard", "导出vCard", "导入CSV",
                                                  "导出CSV", "删除全部", "号码归属", "关于"}));
    EXPECT_TRUE(MissingHandlers(main->decl(), program_->mainHandlers()).empty());
}

TEST_F(Startup, AboutWindowOpensModalFromTheMenuAndClosesOnItsButton) {
    Window* main = loadMain();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        Window* about = FindWindow("about");
        seen = about && about->modal() && about->title() == T("关于");
        if (about) click(*about, AboutControls::ConfirmButton);
    });
    main->impl().runMenuHandler("menu_about", T("关于"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(FindWindow("about"), nullptr);
}

TEST_F(Startup, AboutWindowChatLinkUsesTheConfiguredChatAddress) {
    for (const std::string& settings :
         {std::string(), std::string("[网络]\r\nQQ聊天地址=http://chat.test.example/\r\n")}) {
        if (!settings.empty()) writeSettings(settings);
        Window* main = loadMain();
        QString link;
        QTimer::singleShot(0, [&] {
            Window* about = FindWindow("about");
            if (!about) return;
            if (auto* label = qobject_cast<QLabel*>(about->control(T(AboutControls::ChatLink)).widget()))
                link = label->text();
            DestroyWindow(about, true);
        });
        main->impl().runMenuHandler("menu_about", T("关于"));
        const QString host = settings.empty() ? "http://wpa.qq.com" : "http://chat.test.example";
        EXPECT_TRUE(link.contains("href=\"" + host + "/msgrd?V=1&amp;Uin=10001000&amp;Site=lunarkite&amp;Menu=yes\""))
            << link.toStdString();
        DestroyWindow(main, true);
        settle();
    }
}

TEST_F(Startup, MenuItemsOpenTheirWindowsModal) {
    Window* main = loadMain();
    const std::vector<std::pair<std::string, std::string>> items = {
        {"menu_text_import", "text_import"}, {"menu_import_export", "import_export"}, {"menu_batch", "batch"}};
    for (const auto& [handler, id] : items) {
        bool seenModal = false;
        QTimer::singleShot(0, [&, id = id] {
            Window* opened = FindWindow(id);
            seenModal = opened && opened->modal() && !main->widget()->isEnabled();
            DestroyWindow(opened, true);
        });
        main->impl().runMenuHandler(handler, Text());
        EXPECT_TRUE(seenModal) << id;
        EXPECT_EQ(FindWindow(id), nullptr) << id;
        EXPECT_TRUE(main->widget()->isEnabled());
    }
}
