// The window and control commands: loading (modal, no second copy, restoring,
// re-creating one being closed), both destroy forms, moving, menus, the file
// dialog seam, edit and combo box commands.

#include "services/window/model/test_window.h"

#include "services/window/file_chooser.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

WindowDecl SmallWindow(const std::string& id) {
    WindowDecl w;
    w.id = id;
    w.title = Text::fromUtf8(id);
    w.width = 200;
    w.height = 150;
    w.events = {{Event::Created, "log"}, {Event::Destroying, "log"}};
    ControlDecl edit{.kind = ControlKind::EditBox, .name = T("编辑框1"), .rect = {10, 10, 100, 20}};
    w.controls.push_back(edit);
    ControlDecl memo{.kind = ControlKind::EditBox, .name = T("编辑框2"), .rect = {10, 40, 100, 60}};
    memo.multiLine = true;
    memo.scrollBars = ScrollBars::Vertical;
    w.controls.push_back(memo);
    w.controls.push_back({.kind = ControlKind::ComboBox, .name = T("组合框1"), .rect = {10, 110, 100, 20}});
    ControlDecl button{.kind = ControlKind::Button, .name = T("按钮1"), .rect = {120, 10, 60, 24}};
    button.events = {{Event::Clicked, "click"}};
    w.controls.push_back(button);
    ControlDecl dialog{.kind = ControlKind::CommonDlg, .name = T("通用对话框1")};
    dialog.dialog.title = T("打开待分割的文本文件");
    dialog.dialog.filter = T("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    dialog.dialog.defaultExtension = T("txt");
    w.controls.push_back(dialog);
    return w;
}

// Answers file dialogs for the user and keeps the requests.
class TestChooser : public FileChooser {
public:
    std::optional<Text> answer;
    std::vector<FileRequest> requests;
    std::optional<Text> choose(const FileRequest& request) override {
        requests.push_back(request);
        return answer;
    }
};

class ScopedChooser {
public:
    ScopedChooser() : chooser(std::make_shared<TestChooser>()), previous_(SetFileChooser(chooser)) {}
    ~ScopedChooser() { SetFileChooser(previous_); }
    std::shared_ptr<TestChooser> chooser;

private:
    std::shared_ptr<FileChooser> previous_;
};

}  // namespace

using WindowCommands = WindowTest;

// ---- LoadWindow ----

TEST_F(WindowCommands, ModalLoadBlocksWithTheOtherWindowsDisabledAndReturnsAfterClose) {
    EventLog dialogLog;
    ASSERT_TRUE(LoadWindow(SmallWindow("main"), LoggingHandlers(log)));
    Window* main = FindWindow("main");
    ASSERT_TRUE(QTest::qWaitForWindowActive(main->widget()));

    bool mainEnabledMeanwhile = true;
    bool dialogOpenMeanwhile = false;
    HandlerTable handlers = LoggingHandlers(dialogLog);
    handlers["log"] = [&](const EventArgs& e) {
        dialogLog.entries.push_back(EventName(e.event));
        if (e.event != Event::Created) return;
        QTimer::singleShot(20, [&] {
            mainEnabledMeanwhile = main->widget()->isEnabled();
            dialogOpenMeanwhile = FindWindow("about") != nullptr;
            DestroyWindow("about");
        });
    };
    const bool loaded = LoadWindow(SmallWindow("about"), handlers, true);
    // Only now, after the window closed, does the call return.
    EXPECT_TRUE(loaded);
    EXPECT_EQ(dialogLog.entries, (std::vector<std::string>{"Created", "Destroying"}));
    EXPECT_TRUE(dialogOpenMeanwhile);
    EXPECT_FALSE(mainEnabledMeanwhile);
    EXPECT_TRUE(main->widget()->isEnabled());
    EXPECT_EQ(FindWindow("about"), nullptr);
    // Control returns to the window that opened it.
    EXPECT_TRUE(QTest::qWaitForWindowActive(main->widget()));
}

TEST_F(WindowCommands, WindowsBeneathAModalOneCannotBeClosed) {
    ASSERT_TRUE(LoadWindow(SmallWindow("main"), LoggingHandlers(log)));
    Window* main = FindWindow("main");
    bool mainLoadedMeanwhile = false;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["log"] = [&](const EventArgs& e) {
        if (e.event != Event::Created) return;
        QTimer::singleShot(20, [&] {
            main->widget()->close();  // the close button of the disabled window
            mainLoadedMeanwhile = FindWindow("main") != nullptr;
            DestroyWindow("about");
        });
    };
    ASSERT_TRUE(LoadWindow(SmallWindow("about"), handlers, true));
    EXPECT_TRUE(mainLoadedMeanwhile);
    ASSERT_EQ(FindWindow("main"), main);
    // Enabled again, it closes as usual.
    main->widget()->close();
    EXPECT_EQ(FindWindow("main"), nullptr);
}

TEST_F(WindowCommands, ModalWindowDestroyedInItsCreatedHandlerDoesNotBlock) {
    HandlerTable handlers = LoggingHandlers(log);
    handlers["log"] = [](const EventArgs& e) {
        if (e.event == Event::Created) DestroyWindow(&e.window, true);
    };
    EXPECT_TRUE(LoadWindow(SmallWindow("about"), handlers, true));
    EXPECT_EQ(FindWindow("about"), nullptr);
}

TEST_F(WindowCommands, NoSecondCopyAndAMinimisedWindowIsRestored) {
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    Window* first = FindWindow("record");
    first->widget()->showMinimized();
    ASSERT_TRUE(first->widget()->isMinimized());
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    EXPECT_EQ(FindWindow("record"), first);
    EXPECT_FALSE(first->widget()->isMinimized());
    EXPECT_EQ(log.count("Created window"), 1);
    EXPECT_EQ(LoadedWindows().size(), 1u);
}

TEST_F(WindowCommands, AWindowBeingClosedIsDestroyedAndCreatedAnew) {
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    Window* first = FindWindow("record");
    DestroyWindow(first);  // posted: marked closing, still there
    EXPECT_TRUE(first->closing());
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    EXPECT_EQ(log.entries, (std::vector<std::string>{"Created window", "Destroying window", "Created window"}));
    Window* second = FindWindow("record");
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->closing());
    // The old close request does not touch the new window.
    QCoreApplication::processEvents();
    EXPECT_EQ(FindWindow("record"), second);
}

TEST_F(WindowCommands, ParentMustBeLoaded) {
    EXPECT_FALSE(LoadWindow(SmallWindow("record"), LoggingHandlers(log), false, "main"));
    EXPECT_EQ(FindWindow("record"), nullptr);
    ASSERT_TRUE(LoadWindow(SmallWindow("main"), LoggingHandlers(log)));
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log), false, "main"));
    // Owned windows go with their owner.
    DestroyWindow("main", true);
    EXPECT_EQ(FindWindow("record"), nullptr);
    EXPECT_EQ(log.count("Destroying window"), 2);
}

TEST_F(WindowCommands, OwnedWindowsOfOwnedWindowsGoWithTheirOwner) {
    ASSERT_TRUE(LoadWindow(SmallWindow("main"), LoggingHandlers(log)));
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log), false, "main"));
    ASSERT_TRUE(LoadWindow(SmallWindow("frame"), LoggingHandlers(log), false, "record"));
    ASSERT_TRUE(LoadWindow(SmallWindow("weather"), LoggingHandlers(log)));
    DestroyWindow("main", true);
    EXPECT_EQ(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("record"), nullptr);
    EXPECT_EQ(FindWindow("frame"), nullptr);
    EXPECT_NE(FindWindow("weather"), nullptr);
    EXPECT_EQ(log.count("Destroying window"), 3);
}

// ---- DestroyWindow ----

TEST_F(WindowCommands, PostedDestroyLeavesTheWindowAliveUntilTheHandlerReturned) {
    Text readAfter;
    bool aliveAfter = false;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["click"] = [&](const EventArgs& e) {
        DestroyWindow(&e.window);
        aliveAfter = e.window.alive() && FindWindow("record") != nullptr;
        readAfter = e.window.control(T("编辑框1")).text();
        log.entries.push_back("handler returns");
    };
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), handlers));
    FindWindow("record")->control(T("编辑框1")).setText(T("还在"));
    click(*FindWindow("record"), "按钮1");
    EXPECT_TRUE(aliveAfter);
    EXPECT_EQ(readAfter, T("还在"));
    EXPECT_NE(FindWindow("record"), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(FindWindow("record"), nullptr);
    EXPECT_EQ(log.entries.back(), "Destroying window");
}

TEST_F(WindowCommands, ImmediateDestroyInsideAHandlerWaitsUntilItReturns) {
    HandlerTable handlers = LoggingHandlers(log);
    handlers["click"] = [&](const EventArgs& e) {
        DestroyWindow(&e.window, true);
        log.entries.push_back(e.window.closing() ? "closing" : "not closing");
        log.entries.push_back(e.window.widget()->isVisible() ? "shown" : "hidden");
        log.entries.push_back(e.window.control(T("编辑框1")).valid() ? "control" : "no control");
    };
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), handlers));
    click(*FindWindow("record"), "按钮1");
    EXPECT_EQ(log.entries,
              (std::vector<std::string>{"Created window", "closing", "hidden", "control", "Destroying window"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FindWindow("record"), nullptr);
}

TEST_F(WindowCommands, ClosingByTheUserDestroysTheWindow) {
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    FindWindow("record")->widget()->close();
    EXPECT_EQ(FindWindow("record"), nullptr);
    EXPECT_EQ(log.count("Destroying window"), 1);
}

// ---- MoveUnit ----

TEST_F(WindowCommands, MoveUnitMovesOnlyTheGivenEdges) {
    ASSERT_TRUE(LoadWindow(SmallWindow("record"), LoggingHandlers(log)));
    Control edit = FindWindow("record")->control(T("编辑框1"));
    MoveUnit(edit, std::nullopt, std::nullopt, 150);
    EXPECT_EQ(edit.widget()->geometry(), QRect(10, 10, 150, 20));
    MoveUnit(edit, 30);
    EXPECT_EQ(edit.widget()->geometry(), QRect(30, 10, 150, 20));
    MoveUnit(edit, std::nullopt, 5, -1, 25);
    EXPECT_EQ(edit.widget()->geometry(), QRect(30, 5, 150, 25));
    MoveUnit(edit, std::nullopt, std::nullopt, -1, -1);
    EXPECT_EQ(edit.widget()->geometry(), QRect(30, 5, 150, 25));

    Window* w = FindWindow("record");
    const int left = w->left();
    MoveUnit(w, std::nullopt, 40);
    EXPECT_EQ(w->top(), 40);
    EXPECT_EQ(w->left(), left);
    EXPECT_EQ(w->width(), 200);
}

// ---- PopupMenu ----

TEST_F(WindowCommands, PopupMenuShowsTheItemsAndDeliversTheChoiceAfterwards) {
    WindowDecl decl = EveryKindWindow("main");
    ASSERT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    log.clear();
    QStringList shown;
    QPoint shownAt;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        shownAt = menu->pos();
        for (QAction* a : menu->actions()) shown << a->text();
        menu->actions().at(1)->trigger();
        menu->close();
    });
    PopupMenu(FindWindow("main"), T("主菜单"), 100, 120);
    EXPECT_EQ(shown, (QStringList{"导入txt", "关于"}));
    EXPECT_EQ(shownAt, QPoint(100, 120));
    EXPECT_EQ(log.count("menu 关于"), 0);  // delivered as a posted click
    QCoreApplication::processEvents();
    EXPECT_EQ(log.count("menu 关于"), 1);
    EXPECT_EQ(log.count("menu 导入txt"), 0);

    // A menu the window does not have shows nothing.
    PopupMenu(FindWindow("main"), T("别的菜单"));
}

TEST_F(WindowCommands, WindowDestroyedWhileItsMenuIsOpen) {
    ASSERT_TRUE(LoadWindow(EveryKindWindow("main"), LoggingHandlers(log)));
    bool menuShown = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        menuShown = menu != nullptr;
        DestroyWindow("main", true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (auto* still = qobject_cast<QMenu*>(QApplication::activePopupWidget())) still->close();
    });
    PopupMenu(FindWindow("main"), T("主菜单"), 100, 120);
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(FindWindow("main"), nullptr);
}

// ---- ShowCommonDialog ----

TEST(FileFilter, PairsOfNameAndPatternUntilAnEmptyName) {
    const auto filters = ParseFileFilter(T("照片(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|所有文件(*.*)|*.*"));
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].name, T("照片(*.jpg;*.gif;*.bmp)"));
    EXPECT_EQ(filters[0].patterns, T("*.jpg;*.gif;*.bmp;*.jpeg"));
    EXPECT_EQ(filters[1].patterns, T("*.*"));
    EXPECT_EQ(ParseFileFilter(T("文本|*.txt||后面|*.x")).size(), 1u);
    EXPECT_TRUE(ParseFileFilter(Text()).empty());
    EXPECT_TRUE(ParseFileFilter(T("只有名称")).empty());
    // The second byte of a two-byte character may be '|' (0x7C): not a separator.
    const Text tricky = Text::fromBytes("\x81\x7C|*.a");
    const auto one = ParseFileFilter(tricky);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].name, Text::fromBytes("\x81\x7C"));
}

TEST_F(WindowCommands, CommonDialogAsksTheChooserAndKeepsTheChosenPath) {
    ScopedChooser scoped;
    ASSERT_TRUE(LoadWindow(SmallWindow("import"), LoggingHandlers(log)));
    Window* w = FindWindow("import");
    Control dialog = w->control(T("通用对话框1"));
    w->dialog(T("通用对话框1"))->folder = T("/tmp/导入");
    w->dialog(T("通用对话框1"))->filterIndex = -3;

    scoped.chooser->answer = T("/tmp/导入/联系人");
    EXPECT_TRUE(ShowCommonDialog(dialog));
    // A file to open is the one chosen: the default extension is for saving.
    EXPECT_EQ(dialog.text(), T("/tmp/导入/联系人"));
    ASSERT_EQ(scoped.chooser->requests.size(), 1u);
    const FileRequest& r = scoped.chooser->requests[0];
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, T("打开待分割的文本文件"));
    EXPECT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filterIndex, 0);
    EXPECT_EQ(r.folder, T("/tmp/导入"));

    scoped.chooser->answer = T("/tmp/a.csv");
    w->dialog(T("通用对话框1"))->filterIndex = 1;
    EXPECT_TRUE(ShowCommonDialog(dialog));
    EXPECT_EQ(dialog.text(), T("/tmp/a.csv"));
    EXPECT_EQ(scoped.chooser->requests.back().filterIndex, 1);

    // Cancel: false, the file name as it was.
    scoped.chooser->answer.reset();
    EXPECT_FALSE(ShowCommonDialog(dialog));
    EXPECT_EQ(dialog.text(), T("/tmp/a.csv"));

    // Not a dialog control.
    EXPECT_FALSE(ShowCommonDialog(w->control(T("编辑框1"))));

    // A name to save without an extension gets the default one.
    w->dialog(T("通用对话框1"))->kind = CommonDialog::kSaveFile;
    scoped.chooser->answer = T("/tmp/导出/联系人");
    EXPECT_TRUE(ShowCommonDialog(dialog));
    EXPECT_TRUE(scoped.chooser->requests.back().save);
    EXPECT_EQ(dialog.text(), T("/tmp/导出/联系人.txt"));
    scoped.chooser->answer = T("/tmp/导出/联系人.csv");
    EXPECT_TRUE(ShowCommonDialog(dialog));
    EXPECT_EQ(dialog.text(), T("/tmp/导出/联系人.csv"));
}

// The desktop's own dialog: the user types "contacts" under "所有文件(*.*)"
// and gets that file, not "contacts.txt".
TEST_F(WindowCommands, TheDesktopDialogOpensANameWithoutExtensionAsTyped) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath("contacts")).open(QIODevice::WriteOnly));
    auto previous = SetFileChooser(nullptr);
    ASSERT_TRUE(LoadWindow(SmallWindow("import"), LoggingHandlers(log)));
    Window* w = FindWindow("import");
    ASSERT_TRUE(QTest::qWaitForWindowActive(w->widget()));
    Control dialog = w->control(T("通用对话框1"));
    w->dialog(T("通用对话框1"))->folder = Text::fromQFileName(dir.path());
    w->dialog(T("通用对话框1"))->filterIndex = 1;

    // Acts for the user whenever a modal window is up: types the name and
    // accepts; a refusal ("file not found") is closed and the dialog cancelled.
    bool typed = false;
    QTimer user;
    user.setInterval(20);
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) return void(box->close());
        auto* fileDialog = qobject_cast<QFileDialog*>(modal);
        if (!fileDialog) return;
        if (typed) return fileDialog->reject();
        typed = true;
        auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("contacts");
        QMetaObject::invokeMethod(fileDialog, &QDialog::accept, Qt::QueuedConnection);
    });
    user.start();
    const bool chosen = ShowCommonDialog(dialog);
    user.stop();
    SetFileChooser(previous);
    EXPECT_TRUE(typed);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog.text().toQFileName(), dir.filePath("contacts"));
}

TEST_F(WindowCommands, WindowDestroyedWhileTheFileDialogIsOpen) {
    auto previous = SetFileChooser(nullptr);  // the desktop's own dialog
    ASSERT_TRUE(LoadWindow(SmallWindow("import"), LoggingHandlers(log)));
    Window* w = FindWindow("import");
    ASSERT_TRUE(QTest::qWaitForWindowActive(w->widget()));
    Control dialog = w->control(T("通用对话框1"));
    bool dialogShown = false;
    QTimer::singleShot(50, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        dialogShown = shown != nullptr;
        DestroyWindow("import", true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (QWidget* still = QApplication::activeModalWidget()) still->close();
    });
    EXPECT_FALSE(ShowCommonDialog(dialog));
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(FindWindow("import"), nullptr);
    SetFileChooser(previous);
}

// ---- edit and combo boxes ----

TEST_F(WindowCommands, AppendEditTextAppendsBackToBack) {
    ASSERT_TRUE(LoadWindow(SmallWindow("batch"), LoggingHandlers(log)));
    Window* w = FindWindow("batch");
    Control memo = w->control(T("编辑框2"));
    memo.setText(T("开始\n"));
    AppendEditText(memo, {T("张三 "), T("北京")});
    EXPECT_EQ(memo.text(), T("开始\n张三 北京"));
    EXPECT_FALSE(qobject_cast<QPlainTextEdit*>(memo.widget())->document()->isUndoAvailable());
    Control line = w->control(T("编辑框1"));
    AppendEditText(line, {T("a"), T("b")});
    EXPECT_EQ(line.text(), T("ab"));
}

TEST_F(WindowCommands, ComboCommandsAndTheirIndexRules) {
    ASSERT_TRUE(LoadWindow(SmallWindow("login"), LoggingHandlers(log)));
    Control combo = FindWindow("login")->control(T("组合框1"));
    EXPECT_EQ(ComboCount(combo), 0);
    EXPECT_EQ(ComboAddItem(combo, T("admin")), 0);
    // Adding to an empty list chooses nothing.
    EXPECT_EQ(combo.selection(), -1);
    EXPECT_EQ(combo.text(), Text());
    EXPECT_EQ(ComboAddItem(combo, T("张三"), 7), 1);
    EXPECT_EQ(combo.selection(), -1);
    combo.setSelection(1);
    EXPECT_EQ(ComboAddItem(combo, T("李四")), 2);
    EXPECT_EQ(combo.selection(), 1);
    EXPECT_TRUE(ComboDeleteItem(combo, 2));
    EXPECT_EQ(ComboCount(combo), 2);
    EXPECT_EQ(ComboItemData(combo, 0), 0);
    EXPECT_EQ(ComboItemData(combo, 1), 7);
    EXPECT_EQ(ComboItemText(combo, 1), T("张三"));
    EXPECT_EQ(ComboItemText(combo, -1), Text());
    EXPECT_EQ(ComboItemText(combo, 2), Text());
    EXPECT_FALSE(ComboDeleteItem(combo, 2));
    EXPECT_FALSE(ComboDeleteItem(combo, -1));
    EXPECT_TRUE(ComboDeleteItem(combo, 0));
    EXPECT_EQ(ComboItemText(combo, 0), T("张三"));
    ComboClear(combo);
    EXPECT_EQ(ComboCount(combo), 0);
    // A name typed into an editable box stays when items are added.
    auto* box = qobject_cast<QComboBox*>(combo.widget());
    box->setEditable(true);
    box->setEditText(QStringLiteral("王五"));
    EXPECT_EQ(ComboAddItem(combo, T("admin")), 0);
    EXPECT_EQ(combo.selection(), -1);
    EXPECT_EQ(box->currentText(), QStringLiteral("王五"));
    box->setEditText(QStringLiteral("赵六"));
    EXPECT_EQ(ComboAddItem(combo, T("张三")), 1);
    EXPECT_EQ(box->currentText(), QStringLiteral("赵六"));
    // Combo commands on another kind do nothing.
    EXPECT_EQ(ComboAddItem(FindWindow("login")->control(T("编辑框1")), T("x")), -1);
}

// ---- focus and activation ----

TEST_F(WindowCommands, SetFocusAndActivateWindow) {
    ASSERT_TRUE(LoadWindow(SmallWindow("a"), LoggingHandlers(log)));
    ASSERT_TRUE(LoadWindow(SmallWindow("b"), LoggingHandlers(log)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FindWindow("a")->widget()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FindWindow("b")->widget()));
    ActivateWindow(FindWindow("a"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(FindWindow("a")->widget()));
    SetFocus(FindWindow("a")->control(T("编辑框2")));
    EXPECT_EQ(QApplication::focusWidget(), FindWindow("a")->control(T("编辑框2")).widget());
    ActivateWindow(FindWindow("b"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(FindWindow("b")->widget()));
}

TEST_F(WindowCommands, PopupMenuOpensThreePixelsRightOfAndBelowTheMouse) {
    ASSERT_TRUE(LoadWindow(EveryKindWindow("main"), LoggingHandlers(log)));
    QCursor::setPos(QPoint(200, 150));
    if (QCursor::pos() != QPoint(200, 150)) GTEST_SKIP() << "this platform cannot place the cursor";
    QPoint shownAt;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shownAt = menu->pos();
            menu->close();
        }
    });
    PopupMenu(FindWindow("main"), T("主菜单"));
    EXPECT_EQ(shownAt, QPoint(203, 153));
    // A given coordinate replaces only its own.
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            shownAt = menu->pos();
            menu->close();
        }
    });
    PopupMenu(FindWindow("main"), T("主菜单"), std::nullopt, 40);
    EXPECT_EQ(shownAt, QPoint(203, 40));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.count("menu 关于") + log.count("menu 导入txt"), 0);
}
