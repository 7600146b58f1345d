// Windows built from declarations: every kind of control, typed properties,
// unknown names, and the events raised when their table says.

#include "services/window/model/test_window.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/sheet/excel.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/controls/image_button.h"
#include "services/window/controls/transparent_label.h"
#include "services/window/fonts.h"
#include "services/window/report_list.h"
#include "services/window/window_impl.h"
#include "support/undeclared_names.h"

#include <gtest/gtest-spi.h>
#include <QBitmap>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

Window* LoadEvery(EventLog& log, WindowDecl decl = EveryKindWindow()) {
    EXPECT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    return FindWindow(decl.id);
}

// The next widget Tab reaches.
QWidget* NextOnTab(QWidget* from) {
    QWidget* x = from->nextInFocusChain();
    while (x != from && !(x->focusPolicy() & Qt::TabFocus)) x = x->nextInFocusChain();
    return x;
}

}  // namespace

using WindowModel = WindowTest;

TEST_F(WindowModel, BuildsEveryKindWithItsDeclaredProperties) {
    Window* w = LoadEvery(log);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->title(), T("测试窗口"));
    EXPECT_EQ(w->controls().size(), EveryKindWindow().controls.size());

    for (const auto& decl : EveryKindWindow().controls) {
        Control c = w->control(decl.name);
        ASSERT_TRUE(c.valid()) << decl.name.toUtf8();
        EXPECT_EQ(c.kind(), decl.kind);
        EXPECT_EQ(c.widget() == nullptr, IsNonVisual(decl.kind)) << decl.name.toUtf8();
        if (!IsNonVisual(decl.kind)) {
            EXPECT_EQ(c.left(), decl.rect.left);
            EXPECT_EQ(c.top(), decl.rect.top);
            EXPECT_EQ(c.width(), decl.rect.width);
            EXPECT_EQ(c.height(), decl.rect.height);
        }
    }
    EXPECT_EQ(w->control(T("编辑框1")).text(), T("初始"));
    EXPECT_EQ(w->control(T("编辑框1")).textColour(), Rgb(128, 128, 128));
    EXPECT_EQ(w->control(T("标签1")).text(), T("用户："));
    EXPECT_TRUE(w->control(T("单选框1")).checked());
    EXPECT_EQ(w->control(T("组合框1")).selection(), -1);
    EXPECT_EQ(w->control(T("透明标签1")).text(), T("记录数"));

    // A child sits inside its container, at coordinates relative to it.
    QWidget* label = w->control(T("标签1")).widget();
    EXPECT_EQ(label->parentWidget(), w->control(T("分组框1")).widget());

    // The concrete objects are reachable by name and kind.
    EXPECT_NE(w->list(T("超级列表框1")), nullptr);
    EXPECT_NE(w->timer(T("时钟1")), nullptr);
    EXPECT_NE(w->balloon(T("气球提示框1")), nullptr);
    EXPECT_NE(w->dialog(T("通用对话框1")), nullptr);
    EXPECT_NE(w->combo(T("组合框1")), nullptr);
    EXPECT_NE(w->imageButton(T("图形按钮1")), nullptr);
    ASSERT_NE(w->transparentLabel(T("透明标签1")), nullptr);
    // Declared without a vertical alignment, a single-line transparent label is centred.
    EXPECT_EQ(w->transparentLabel(T("透明标签1"))->verticalAlignment(), 1);
    EXPECT_NE(w->htmlBrowseBox(T("超文本浏览框1")), nullptr);
    EXPECT_NE(w->connection(T("数据库连接1")), nullptr);
    EXPECT_NE(w->recordSet(T("记录集1")), nullptr);
    EXPECT_NE(w->excelApp(T("Excel程序1")), nullptr);
    EXPECT_NE(w->excelWorkbooks(T("Excel工作簿1")), nullptr);
    // ... and the wrong kind gives nothing.
    EXPECT_EQ(w->list(T("编辑框1")), nullptr);
    EXPECT_EQ(w->recordSet(T("数据库连接1")), nullptr);

    const ReportList* list = w->list(T("超级列表框1"));
    EXPECT_TRUE(list->noHeader());
    EXPECT_TRUE(list->fullRowSelect());
    EXPECT_TRUE(list->gridLines());
    EXPECT_EQ(list->autoSort(), 2);
    EXPECT_EQ(list->textColour(), QColor(20, 155, 220));
    EXPECT_EQ(list->font().pixelSize(), 16);
}

TEST_F(WindowModel, PropertiesReadBackWhatWasSet) {
    Window* w = LoadEvery(log);
    Control edit = w->control(T("编辑框1"));
    edit.move(1, 2, 30, 40);
    EXPECT_EQ((std::vector<int>{edit.left(), edit.top(), edit.width(), edit.height()}),
              (std::vector<int>{1, 2, 30, 40}));
    edit.setVisible(false);
    EXPECT_FALSE(edit.visible());
    edit.setEnabled(false);
    EXPECT_FALSE(edit.enabled());
    edit.setText(T("张三"));
    EXPECT_EQ(edit.text(), T("张三"));
    edit.setTextColour(Rgb(1, 2, 3));
    EXPECT_EQ(edit.textColour(), Rgb(1, 2, 3));
    edit.setBackColour(Rgb(202, 225, 243));
    EXPECT_EQ(edit.backColour(), Rgb(202, 225, 243));

    Control button = w->control(T("按钮1"));
    button.setText(T("停止"));
    EXPECT_EQ(button.text(), T("停止"));
    Control trans = w->control(T("透明标签1"));
    trans.setText(T("共 3 条"));
    EXPECT_EQ(w->transparentLabel(T("透明标签1"))->caption(), T("共 3 条"));
    trans.setTextColour(Rgb(255, 255, 255));
    EXPECT_EQ(trans.textColour(), Rgb(255, 255, 255));

    Control bar = w->control(T("进度条1"));
    bar.setPosition(40);
    EXPECT_EQ(bar.position(), 40);
    bar.setPosition(300);
    EXPECT_EQ(bar.position(), 100);

    Control timer = w->control(T("时钟1"));
    EXPECT_EQ(timer.interval(), 0);
    timer.setInterval(1000);
    EXPECT_EQ(timer.interval(), 1000);
    EXPECT_TRUE(w->timer(T("时钟1"))->isActive());
    timer.setInterval(0);
    EXPECT_EQ(timer.interval(), 0);
    EXPECT_FALSE(w->timer(T("时钟1"))->isActive());

    // A picture that is not an image is kept as bytes but shows nothing.
    Control box = w->control(T("图片框1"));
    const Bytes junk{'n', 'o', 't'};
    box.setPicture(junk);
    EXPECT_EQ(box.picture(), junk);

    w->setTitle(T("新标题"));
    EXPECT_EQ(w->title(), T("新标题"));
}

TEST_F(WindowModel, ControlsOfAHiddenOrDisabledWindowKeepTheirOwnFlags) {
    Window* w = LoadEvery(log);
    w->widget()->setEnabled(false);
    EXPECT_TRUE(w->control(T("按钮1")).enabled());
    w->setVisible(false);
    EXPECT_TRUE(w->control(T("按钮1")).visible());
}

TEST_F(WindowModel, UnknownNamesDoNothingAndGiveEmptyResults) {
    Window* w = LoadEvery(log);
    UndeclaredNames asked;
    Control none = w->control(T("不存在"));
    EXPECT_FALSE(none.valid());
    EXPECT_EQ(none.text(), Text());
    EXPECT_EQ(none.left() + none.top() + none.width() + none.height(), 0);
    EXPECT_FALSE(none.visible());
    EXPECT_FALSE(none.enabled());
    EXPECT_EQ(none.selection(), -1);
    EXPECT_EQ(none.interval(), 0);
    EXPECT_TRUE(none.picture().empty());
    none.setText(T("x"));
    none.move(1, 1, 1, 1);
    none.setVisible(true);
    none.setSelection(3);
    EXPECT_EQ(w->list(T("不存在")), nullptr);
    EXPECT_EQ(w->recordSet(T("不存在")), nullptr);
    EXPECT_EQ(FindWindow("not loaded"), nullptr);
    EXPECT_EQ(WindowHandle(none), nullptr);
    EXPECT_EQ(WindowHandle(static_cast<Window*>(nullptr)), nullptr);
    EXPECT_EQ(ComboCount(none), 0);
    EXPECT_EQ(ComboAddItem(none, T("a")), -1);
    EXPECT_FALSE(ShowCommonDialog(none));
    MoveUnit(none, 1, 2, 3, 4);
    SetFocus(none);
    DestroyWindow("not loaded");
    PopupMenu(nullptr, T("主菜单"));
    // Logged once, with the window and the name, however often it is asked for.
    ASSERT_EQ(asked.warnings().size(), 1u);
    EXPECT_NE(asked.warnings()[0].find("every"), std::string::npos);
    EXPECT_NE(asked.warnings()[0].find("不存在"), std::string::npos);
}

TEST_F(WindowModel, EachUndeclaredNameIsLoggedOnceAndADestroyedWindowStaysQuiet) {
    Window* w = LoadEvery(log);
    // Unless a test says it asks on purpose, the warning fails it.
    EXPECT_NONFATAL_FAILURE(w->control(T("编辑框_丁")), "编辑框_丁");
    UndeclaredNames asked;
    EXPECT_TRUE(w->control(T("编辑框1")).valid());
    EXPECT_FALSE(w->control(T("编辑框_甲")).valid());
    EXPECT_EQ(w->dialog(T("编辑框_乙")), nullptr);
    EXPECT_FALSE(w->control(T("编辑框_甲")).valid());
    EXPECT_EQ(asked.warnings().size(), 2u);
    const std::shared_ptr<Window> kept = SharedWindow(w);  // the object outlives the window
    DestroyWindow(w, true);
    EXPECT_FALSE(w->control(T("编辑框_丙")).valid());
    EXPECT_EQ(asked.warnings().size(), 2u);
}

TEST_F(WindowModel, HandlesOfADestroyedWindowGoInvalidSafely) {
    Window* w = LoadEvery(log);
    Control edit = w->control(T("编辑框1"));
    ASSERT_TRUE(edit.valid());
    DestroyWindow(w, true);
    EXPECT_FALSE(edit.valid());
    EXPECT_EQ(edit.text(), Text());
    edit.setText(T("不会崩溃"));
    EXPECT_EQ(FindWindow("every"), nullptr);
}

TEST_F(WindowModel, MissingHandlersAreReported) {
    WindowDecl decl = EveryKindWindow();
    HandlerTable table;
    table["log"] = [](const EventArgs&) {};
    EXPECT_EQ(MissingHandlers(decl, table), std::vector<std::string>{"menu"});
    EXPECT_EQ(MissingHandlers(decl, {}), (std::vector<std::string>{"log", "menu"}));
    table["menu"] = [](const EventArgs&) {};
    EXPECT_TRUE(MissingHandlers(decl, table).empty());
}

// ---- events ----

TEST_F(WindowModel, CreatedRunsOnceAfterEveryControlExists) {
    int controlsSeen = -1;
    HandlerTable table = LoggingHandlers(log);
    table["log"] = [&](const EventArgs& e) {
        if (e.event == Event::Created) {
            controlsSeen = 0;
            for (const auto& d : EveryKindWindow().controls) controlsSeen += e.window.control(d.name).valid();
            log.entries.push_back("Created");
        }
    };
    ASSERT_TRUE(LoadWindow(EveryKindWindow(), table));
    ASSERT_TRUE(LoadWindow(EveryKindWindow(), table));  // already open: not created again
    EXPECT_EQ(log.count("Created"), 1);
    EXPECT_EQ(controlsSeen, static_cast<int>(EveryKindWindow().controls.size()));
}

TEST_F(WindowModel, DestroyingRunsWhileTheControlsStillExist) {
    Text seen;
    HandlerTable table = LoggingHandlers(log);
    table["log"] = [&](const EventArgs& e) {
        if (e.event == Event::Destroying) seen = e.window.control(T("编辑框1")).text();
    };
    ASSERT_TRUE(LoadWindow(EveryKindWindow(), table));
    FindWindow("every")->control(T("编辑框1")).setText(T("最后的值"));
    DestroyWindow("every", true);
    EXPECT_EQ(seen, T("最后的值"));
}

TEST_F(WindowModel, ContentChangedOnEveryChangeTypedOrSet) {
    Window* w = LoadEvery(log);
    log.clear();
    auto* edit = qobject_cast<QLineEdit*>(w->control(T("编辑框1")).widget());
    edit->clear();
    EXPECT_EQ(log.count("ContentChanged 编辑框1"), 1);
    typeText(edit, "abc");
    EXPECT_EQ(log.count("ContentChanged 编辑框1"), 4);
    EXPECT_EQ(w->control(T("编辑框1")).text(), T("abc"));
    w->control(T("编辑框1")).setText(T("搜索"));
    EXPECT_EQ(log.count("ContentChanged 编辑框1"), 5);
}

TEST_F(WindowModel, TextAnInputMethodCommitsIsContentLikeTypedText) {
    Window* w = LoadEvery(log);
    log.clear();
    type(*w, "编辑框1", "张三zs李四");
    EXPECT_EQ(textOf(*w, "编辑框1"), "张三zs李四");
    // The old text deleted, a committed phrase, two keys, another phrase.
    EXPECT_EQ(log.count("ContentChanged 编辑框1"), 5);
    // The length limit holds for committed phrases as for keys.
    type(*w, "编辑框_备注", "一二三四五六七八九十百千");
    EXPECT_EQ(textOf(*w, "编辑框_备注"), "一二三四五六七八九十");
}

TEST_F(WindowModel, MultiLineEditKeepsItsLengthLimit) {
    Window* w = LoadEvery(log);
    auto* memo = qobject_cast<QPlainTextEdit*>(w->control(T("编辑框_备注")).widget());
    ASSERT_NE(memo, nullptr);
    log.clear();
    typeText(memo, "0123456789abc");
    EXPECT_EQ(w->control(T("编辑框_备注")).text(), T("0123456789"));
    EXPECT_EQ(log.count("ContentChanged 编辑框_备注"), 13);
}

TEST_F(WindowModel, ClickedOnlyWhenReleasedInside) {
    Window* w = LoadEvery(log);
    auto* button = qobject_cast<QPushButton*>(w->control(T("按钮1")).widget());
    log.clear();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.count("Clicked 按钮1"), 0);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(500, 500));
    EXPECT_EQ(log.count("Clicked 按钮1"), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.count("Clicked 按钮1"), 1);
}

TEST_F(WindowModel, MouseAndFocusEventsOfAnyControl) {
    Window* w = LoadEvery(log);
    w->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w->widget()));
    log.clear();
    QWidget* edit = w->control(T("编辑框1")).widget();
    QTest::mousePress(edit, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseRelease(edit, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(log.count("LeftButtonDown 编辑框1"), 1);
    QTest::mouseDClick(w->control(T("标签1")).widget(), Qt::LeftButton);
    EXPECT_EQ(log.count("DoubleClicked 标签1"), 1);
    QTest::mousePress(w->control(T("图片框1")).widget(), Qt::LeftButton);
    EXPECT_EQ(log.count("LeftButtonDown 图片框1"), 1);

    SetFocus(w->control(T("按钮1")));
    log.clear();
    SetFocus(w->control(T("编辑框1")));
    SetFocus(w->control(T("按钮1")));
    EXPECT_EQ(log.count("GotFocus 编辑框1"), 1);
    EXPECT_EQ(log.count("LostFocus 编辑框1"), 1);
}

TEST_F(WindowModel, TimerTicksAtItsInterval) {
    Window* w = LoadEvery(log);
    log.clear();
    w->control(T("时钟1")).setInterval(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.count("TimerTick 时钟1") >= 2; }, 2000));
    w->control(T("时钟1")).setInterval(0);
    const int ticks = log.count("TimerTick 时钟1");
    QTest::qWait(50);
    EXPECT_EQ(log.count("TimerTick 时钟1"), ticks);
}

TEST_F(WindowModel, CreatedHandlerMayStopADeclaredTimer) {
    WindowDecl decl = EveryKindWindow("timers");
    for (auto& c : decl.controls)
        if (c.kind == ControlKind::Timer) c.interval = 10;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["log"] = [this](const EventArgs& e) {
        if (e.event == Event::Created) e.window.control(T("时钟1")).setInterval(0);
        if (e.event == Event::TimerTick) log.entries.push_back("tick");
    };
    ASSERT_TRUE(LoadWindow(decl, handlers));
    QTest::qWait(60);
    EXPECT_EQ(log.count("tick"), 0);
    EXPECT_EQ(FindWindow("timers")->control(T("时钟1")).interval(), 0);
}

TEST_F(WindowModel, DeclaredTimerRunsFromCreation) {
    WindowDecl decl = EveryKindWindow("timers");
    for (auto& c : decl.controls)
        if (c.kind == ControlKind::Timer) c.interval = 10;
    ASSERT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    EXPECT_EQ(FindWindow("timers")->control(T("时钟1")).interval(), 10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.count("TimerTick 时钟1") >= 1; }, 2000));
}

TEST_F(WindowModel, ComboRaisesDropDownAndItemSelected) {
    Window* w = LoadEvery(log);
    Control combo = w->control(T("组合框1"));
    ComboAddItem(combo, T("同事"));
    ComboAddItem(combo, T("朋友"));
    log.clear();
    auto* box = w->combo(T("组合框1"));
    box->showPopup();
    EXPECT_EQ(log.count("DropDown 组合框1"), 1);
    box->hidePopup();
    // The user's choice: the selection is final, then the event.
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(log.count("ItemSelected 组合框1"), 1);
    // A programmatic change is not the user's choice.
    combo.setSelection(0);
    EXPECT_EQ(log.count("ItemSelected 组合框1"), 1);
    EXPECT_EQ(combo.text(), T("同事"));
}

TEST_F(WindowModel, MovedAndResizedFollowTheWindow) {
    WindowDecl decl = EveryKindWindow();
    decl.border = WindowBorder::NormalResizable;
    Window* w = LoadEvery(log, decl);
    log.clear();
    w->move(w->left() + 15, w->top() + 7, w->width(), w->height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.count("Moved window") >= 1; }, 1000));
    w->setWidth(w->width() + 20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.count("Resized window") >= 1; }, 1000));
}

// ---- window attributes ----

TEST_F(WindowModel, OuterSizeIsTheDeclaredSizeAndTheWindowOpensCentred) {
    Window* w = LoadEvery(log);
    EXPECT_EQ(w->width(), 400);
    EXPECT_EQ(w->height(), 300);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(w->left() + w->width() / 2, screen.center().x(), 1);
    EXPECT_NEAR(w->top() + w->height() / 2, screen.center().y(), 1);
    w->move(0, 0, w->width(), w->height());
    w->moveToCentre();
    EXPECT_NEAR(w->left() + w->width() / 2, screen.center().x(), 1);
}

TEST_F(WindowModel, BorderKindsAndSwitchesBecomeWindowFlags) {
    WindowDecl tool = EveryKindWindow("tool");
    tool.border = WindowBorder::ToolFixed;
    tool.inTaskbar = false;
    tool.alwaysOnTop = true;
    ASSERT_TRUE(LoadWindow(tool, LoggingHandlers(log)));
    const Qt::WindowFlags flags = FindWindow("tool")->widget()->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);

    WindowDecl plain = EveryKindWindow("plain");
    plain.minimizeButton = true;
    ASSERT_TRUE(LoadWindow(plain, LoggingHandlers(log)));
    const Qt::WindowFlags plainFlags = FindWindow("plain")->widget()->windowFlags();
    EXPECT_EQ(plainFlags & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(plainFlags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(plainFlags & Qt::WindowMaximizeButtonHint);

    WindowDecl bare = EveryKindWindow("bare");
    bare.border = WindowBorder::None;
    ASSERT_TRUE(LoadWindow(bare, LoggingHandlers(log)));
    EXPECT_TRUE(FindWindow("bare")->widget()->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(WindowModel, RoundedRectangleCutsTheCorners) {
    WindowDecl decl = EveryKindWindow("weather");
    decl.width = 259;
    decl.height = 194;
    decl.border = WindowBorder::None;
    decl.shape = WindowShape::RoundedRectangle;
    ASSERT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    const QRegion mask = FindWindow("weather")->widget()->mask();
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(258, 193)));
    EXPECT_TRUE(mask.contains(QPoint(129, 97)));
    EXPECT_TRUE(mask.contains(QPoint(129, 1)));
}

TEST_F(WindowModel, EscapeClosesTheWindow) {
    Window* w = LoadEvery(log);
    w->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w->widget()));
    pressKey(*w, "编辑框1", Qt::Key_Escape);
    EXPECT_EQ(FindWindow("every"), nullptr);
    EXPECT_EQ(log.count("Destroying window"), 1);
}

TEST_F(WindowModel, EscapeInAnOwnedToolWindowClosesItAndNotItsOwner) {
    ASSERT_TRUE(LoadWindow(EveryKindWindow("main"), LoggingHandlers(log)));
    WindowDecl tool = EveryKindWindow("record");
    tool.border = WindowBorder::ToolFixed;
    tool.inTaskbar = false;
    ASSERT_TRUE(LoadWindow(tool, LoggingHandlers(log), false, "main"));
    Window* record = FindWindow("record");
    record->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(record->widget()));
    pressKey(*record, "编辑框1", Qt::Key_Escape);
    EXPECT_EQ(FindWindow("record"), nullptr);
    EXPECT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(log.count("Destroying window"), 1);
}

TEST_F(WindowModel, DragAnywhereMovesTheWindow) {
    WindowDecl decl = EveryKindWindow("frame");
    decl.dragAnywhere = true;
    decl.border = WindowBorder::None;
    Window* w = LoadEvery(log, decl);
    const QPoint before(w->left(), w->top());
    QWidget* widget = w->widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(395, 295));
    QMouseEvent move(QEvent::MouseMove, QPointF(405, 300), widget->mapToGlobal(QPointF(405, 300)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(405, 300));
    EXPECT_EQ(QPoint(w->left(), w->top()), before + QPoint(10, 5));
}

// ---- fonts ----

TEST(WindowFonts, SongMapsToAnInstalledChineseFaceAtThePixelHeight) {
    const QFont font = MakeFont(FontDecl{T("宋体"), 14});
    EXPECT_EQ(font.pixelSize(), 14);
    const QString family = InstalledFamily(T("宋体"));
    EXPECT_TRUE(QFontDatabase::families().contains(family));
    // The face draws Chinese: no empty boxes.
    EXPECT_TRUE(QFontMetrics(QFont(family)).inFont(QChar(0x59D3)));  // 姓
    EXPECT_TRUE(QFontMetrics(QFont(family)).inFont(QChar(0x540D)));  // 名
}

TEST_F(WindowModel, APressOnAChildIsNotAlsoItsContainers) {
    WindowDecl decl = EveryKindWindow();
    ControlDecl child{
        .kind = ControlKind::PicBox, .name = T("图片框_头像"), .parent = T("图片框1"), .rect = {4, 4, 39, 39}};
    child.cursor = Cursor::Hand;
    child.events = {{Event::LeftButtonDown, "log"}};
    decl.controls.push_back(child);
    Window* w = LoadEvery(log, decl);
    log.clear();
    QTest::mousePress(w->control(T("图片框_头像")).widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.count("LeftButtonDown 图片框_头像"), 1);
    EXPECT_EQ(log.count("LeftButtonDown 图片框1"), 0);
    EXPECT_EQ(w->control(T("图片框_头像")).widget()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mousePress(w->control(T("图片框1")).widget(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(log.count("LeftButtonDown 图片框1"), 1);
}

TEST_F(WindowModel, TabPositionsArePositionsAmongAllControls) {
    // The login window's layout: a picture, a group box with its labels, box
    // and password, two buttons; the sign-in button, the user box and the
    // account button carry the positions 1, 3 and 4.
    WindowDecl decl;
    decl.id = "login";
    decl.width = 269;
    decl.height = 211;
    const auto add = [&](ControlKind kind, const char* name, const char* parent, int tabOrder) {
        decl.controls.push_back(ControlDecl{
            .kind = kind, .name = T(name), .parent = T(parent), .rect = {10, 10, 60, 24}, .tabOrder = tabOrder});
    };
    add(ControlKind::PicBox, "图片框1", "", 0);
    add(ControlKind::GroupBox, "分组框1", "", 0);
    add(ControlKind::Label, "标签1", "分组框1", 0);
    add(ControlKind::ComboBox, "组合框_用户名", "分组框1", 3);
    add(ControlKind::Label, "标签2", "分组框1", 0);
    add(ControlKind::EditBox, "编辑框_密码", "分组框1", 0);
    add(ControlKind::Button, "按钮_修改密码", "", 4);
    add(ControlKind::Button, "按钮_登陆", "", 1);
    ASSERT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    const auto widget = [](const char* name) { return FindWindow("login")->control(T(name)).widget(); };
    EXPECT_EQ(NextOnTab(widget("按钮_登陆")), widget("组合框_用户名"));
    EXPECT_EQ(NextOnTab(widget("组合框_用户名")), widget("按钮_修改密码"));
    EXPECT_EQ(NextOnTab(widget("按钮_修改密码")), widget("编辑框_密码"));
    EXPECT_EQ(NextOnTab(widget("编辑框_密码")), widget("按钮_登陆"));
}

TEST_F(WindowModel, AControlPlacedBeyondTheOthersFollowsThemInCreationOrder) {
    // The main window's search box is placed 10th: behind the group box and
    // the clear button, before the list; the focus at start is not in it.
    WindowDecl decl;
    decl.id = "main";
    decl.width = 234;
    decl.height = 583;
    for (const char* name : {"图片框1", "图片框_头像底图", "图片框_头像", "透明标签_用户", "图片框_太阳", "透明标签2"})
        decl.controls.push_back(ControlDecl{.kind = ControlKind::PicBox, .name = T(name)});
    decl.controls.push_back(
        ControlDecl{.kind = ControlKind::ComboBox, .name = T("组合框_查询"), .rect = {12, 57, 93, 20}});
    decl.controls.push_back(ControlDecl{
        .kind = ControlKind::EditBox, .name = T("编辑框_搜索"), .rect = {104, 57, 124, 20}, .tabOrder = 10});
    decl.controls.push_back(ControlDecl{.kind = ControlKind::PicBox, .name = T("图片框_搜索")});
    decl.controls.push_back(ControlDecl{.kind = ControlKind::Button, .name = T("按钮_X")});
    decl.controls.push_back(
        ControlDecl{.kind = ControlKind::ListView, .name = T("超级列表框1"), .rect = {12, 76, 216, 433}});
    ASSERT_TRUE(LoadWindow(decl, LoggingHandlers(log)));
    const auto widget = [](const char* name) { return FindWindow("main")->control(T(name)).widget(); };
    EXPECT_EQ(NextOnTab(widget("组合框_查询")), widget("按钮_X"));
    EXPECT_EQ(NextOnTab(widget("按钮_X")), widget("编辑框_搜索"));
    EXPECT_EQ(NextOnTab(widget("编辑框_搜索")), widget("超级列表框1"));
}

TEST_F(WindowModel, ListAndImageButtonEventsReachTheirHandlersWithTheRow) {
    WindowDecl decl = EveryKindWindow();
    std::vector<int> rows;
    HandlerTable handlers = LoggingHandlers(log);
    handlers["row"] = [&](const EventArgs& e) {
        rows.push_back(e.row);
        log.entries.push_back(std::string(EventName(e.event)) + " " + e.control.name().toUtf8());
    };
    for (auto& c : decl.controls)
        if (c.kind == ControlKind::ListView)
            c.events = {{Event::CurrentItemChanged, "row"}, {Event::ItemActivated, "row"}};
    ASSERT_TRUE(LoadWindow(decl, handlers));
    Window* w = FindWindow("every");
    ReportList* list = w->list(T("超级列表框1"));
    list->InsertColumn(std::nullopt, T("  姓名"), 80);
    for (const char* name : {"丙", "乙", "甲"}) list->SetItemText(list->InsertItem(0), 0, T(name));
    log.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(1).center());
    w->control(T("超级列表框1")).setSelection(2);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"CurrentItemChanged 超级列表框1", "ItemActivated 超级列表框1",
                                                     "CurrentItemChanged 超级列表框1"}));
    EXPECT_EQ(rows, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(w->control(T("超级列表框1")).selection(), 2);
    EXPECT_EQ(list->GetItemText(w->control(T("超级列表框1")).selection()), T("丙"));

    log.clear();
    QWidget* picButton = w->control(T("图形按钮1")).widget();
    QTest::mouseClick(picButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.count("Clicked 图形按钮1"), 1);
    w->control(T("图形按钮1")).setEnabled(false);
    QTest::mouseClick(picButton, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(log.count("Clicked 图形按钮1"), 1);
}
