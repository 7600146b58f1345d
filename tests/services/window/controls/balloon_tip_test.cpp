// Balloon tips: their timers, their placement around the target point and
// their shape, shown offscreen.

#include "services/window/controls/balloon_tip.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <optional>

namespace {

// Fast timings so the tests stay short; each test sets what it checks.
BalloonTipSettings quick() {
    BalloonTipSettings s = BalloonTipSettings::defaults();
    s.initialDelay = 80;
    s.displayTime = 200;
    s.fadeInStep = 0;
    s.fadeOutStep = 0;
    s.shadowRight = 0;
    s.shadowDown = 0;
    return s;
}

bool waitFor(const std::function<bool()>& condition, int ms = 2000) { return QTest::qWaitFor(condition, ms); }

void rest(QWidget* control, const QPoint& local) {
    QCursor::setPos(control->mapToGlobal(local));
    QEnterEvent enter(local, local, control->mapToGlobal(local));
    QApplication::sendEvent(control, &enter);
}

// A shown window with a photo-sized control on it, as the record window has.
class BalloonTipOnPhoto : public ::testing::Test {
protected:
    void SetUp() override {
        window.setGeometry(100, 100, 300, 300);
        photo->setGeometry(5, 6, 170, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // `tip` with the quick timings and this initial delay, on the photo (or on `area` of it).
    void tipOnPhoto(BalloonTip& tip, int initialDelay, const Text& text, std::optional<QRect> area = std::nullopt) {
        BalloonTipSettings s = quick();
        s.initialDelay = initialDelay;
        tip.setSettings(s);
        tip.AddControlTip(photo, text, -1, area);
    }

    QWidget window;
    QWidget* photo = new QWidget(&window);
};

}  // namespace

TEST(BalloonTip, DefaultsAreTheTooltipLook) {
    const BalloonTipSettings s = BalloonTipSettings::defaults();
    EXPECT_EQ(s.initialDelay, 600);
    EXPECT_EQ(s.displayTime, 3000);
    EXPECT_EQ(s.fadeInStep, 0);
    EXPECT_EQ(s.fadeOutStep, 0);
    EXPECT_EQ(s.behaviour, BalloonBehaviour::ShowAgain);
    EXPECT_EQ(s.tailPosition, 9);
    EXPECT_EQ(s.transparency, 10);
    EXPECT_EQ(s.background[0], s.background[1]);
}

TEST(BalloonTip, ShowTipAtWaitsForTheInitialDelay) {
    BalloonTip tip;
    tip.setSettings(quick());
    tip.setInitialDelay(400);
    tip.ShowTipAt(300, 300, T("格式：1980-01-06"));
    EXPECT_FALSE(tip.isTipVisible());
    EXPECT_TRUE(tip.isPending());
    QTest::qWait(60);
    EXPECT_FALSE(tip.isTipVisible());
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(tip.currentText(), T("格式：1980-01-06"));
    EXPECT_EQ(tip.targetPoint(), QPoint(300, 300));
}

TEST(BalloonTip, ShowTipAtWithoutAutoHideStaysPastTheDisplayTime) {
    BalloonTip tip;
    tip.setSettings(quick());
    tip.ShowTipAt(300, 300, T("格式：1980-01-06"), -1);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    QTest::qWait(400);  // twice the display time
    EXPECT_TRUE(tip.isTipVisible());
    // The next balloon of the same object replaces it at once.
    tip.ShowTipAt(100, 100, T("下一个"), -1, true);
    EXPECT_FALSE(tip.isTipVisible());
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(tip.currentText(), T("下一个"));
}

TEST(BalloonTip, ShowTipAtWithAutoHideHidesAfterTheDisplayTime) {
    BalloonTip tip;
    tip.setSettings(quick());
    tip.setDisplayTime(500);
    QSignalSpy hidden(&tip, &BalloonTip::tipHidden);
    tip.ShowTipAt(200, 200, T("用作分隔的字符"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    QTest::qWait(80);
    EXPECT_TRUE(tip.isTipVisible());  // well before the display time ends
    ASSERT_TRUE(waitFor([&] { return !tip.isTipVisible(); }));
    EXPECT_EQ(hidden.count(), 1);
}

TEST(BalloonTip, FadesInToItsTransparencyAndOutToNothing) {
    BalloonTip tip;
    BalloonTipSettings s = quick();
    s.initialDelay = 20;
    s.fadeInStep = 10;
    s.fadeOutStep = 10;
    s.displayTime = 300;
    s.transparency = 10;
    tip.setSettings(s);
    int transparencyWhenShown = -1;
    QObject::connect(&tip, &BalloonTip::tipShown, [&] { transparencyWhenShown = tip.currentTransparency(); });
    tip.ShowTipAt(200, 200, T("单击添加照片"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(transparencyWhenShown, 100);  // fading in from fully transparent
    ASSERT_TRUE(waitFor([&] { return tip.currentTransparency() == 10; }));
    EXPECT_NEAR(tip.popup()->windowOpacity(), 0.9, 0.01);
    // After the display time it fades out before hiding.
    ASSERT_TRUE(waitFor([&] { return tip.currentTransparency() > 10 || !tip.isTipVisible(); }));
    ASSERT_TRUE(waitFor([&] { return !tip.isTipVisible(); }));
    EXPECT_EQ(tip.currentTransparency(), 100);
}

TEST_F(BalloonTipOnPhoto, HoverShowsAfterRestingOnTheControl) {
    BalloonTip tip(&window);
    tipOnPhoto(tip, 100, T("单击添加照片"));

    rest(photo, QPoint(50, 60));
    EXPECT_FALSE(tip.isTipVisible());
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(tip.currentText(), T("单击添加照片"));
    EXPECT_EQ(tip.targetPoint(), photo->mapToGlobal(QPoint(50, 60)));
    ASSERT_TRUE(waitFor([&] { return !tip.isTipVisible(); }));  // display time
    // Resting on after it hid does not bring it back.
    QTest::qWait(250);
    EXPECT_FALSE(tip.isTipVisible());
}

TEST_F(BalloonTipOnPhoto, HoverRequestDroppedWhenTheMouseMovedOn) {
    BalloonTip tip(&window);
    tipOnPhoto(tip, 400, T("单击添加照片"));
    rest(photo, QPoint(50, 60));
    QTest::qWait(30);
    QCursor::setPos(window.mapToGlobal(QPoint(250, 250)));  // gone before the delay ended
    QTest::qWait(600);
    EXPECT_FALSE(tip.isTipVisible());
    EXPECT_FALSE(tip.isPending());
}

TEST_F(BalloonTipOnPhoto, HoverOnlyInsideTheGivenRectangle) {
    BalloonTip tip(&window);
    tipOnPhoto(tip, 30, T("角落"), QRect(0, 0, 20, 20));
    rest(photo, QPoint(100, 100));
    QTest::qWait(120);
    EXPECT_FALSE(tip.isTipVisible());
    rest(photo, QPoint(10, 10));
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
}

TEST(BalloonTip, HidesWhenItsWindowCloses) {
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    BalloonTip tip(&window);
    tip.setSettings(quick());
    tip.ShowTipAt(200, 200, T("提示"));
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    window.close();
    EXPECT_FALSE(tip.isTipVisible());
}

TEST(BalloonTip, TailAtBottomLeftOpensAboveAndRight) {
    BalloonTip tip;
    tip.setSettings(quick());  // tail 9, 12 x 16, margin 16
    tip.ShowTipAt(300, 300, T("格式：1980-01-06"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    const QRect g = tip.popup()->geometry();
    EXPECT_EQ(g.left(), 300 - 16);      // near side of the tail the margin from the left corner
    EXPECT_LT(g.top(), 300 - 16 - 12);  // above the point, past the tail
    EXPECT_GE(g.bottom(), 299);
    EXPECT_LE(g.bottom(), 301);

    // The tail is part of the shape: filled under its near side, clear beside it.
    const QImage image = tip.popup()->grab().toImage();
    const int bodyBottom = g.height() - 1 - 16;
    EXPECT_GT(qAlpha(image.pixel(16 + 2, bodyBottom + 8)), 0);
    EXPECT_EQ(qAlpha(image.pixel(16 + 12 + 10, bodyBottom + 12)), 0);
    // Rounded corner: the very corner pixel is outside.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_GT(qAlpha(image.pixel(g.width() / 2, g.height() / 3)), 0);
}

TEST(BalloonTip, TailPositionsPlaceTheBalloonAroundThePoint) {
    BalloonTip tip;
    BalloonTipSettings s = quick();
    s.initialDelay = 0;
    tip.setSettings(s);
    const QPoint p(400, 400);
    struct Case {
        int position;
        bool left, above;  // where the balloon's centre lies relative to the point
    };
    for (Case c : {Case{0, false, false}, Case{2, true, false}, Case{9, false, true}, Case{11, true, true}}) {
        tip.setTailPosition(c.position);
        tip.ShowTipAt(p.x(), p.y(), T("位置"), -1, true);
        ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); })) << c.position;
        const QPoint centre = tip.popup()->geometry().center();
        EXPECT_EQ(centre.x() < p.x(), c.left) << c.position;
        EXPECT_EQ(centre.y() < p.y(), c.above) << c.position;
    }
    // Side edges: the balloon is beside the point, centred on it for centre places.
    tip.setTailPosition(4);  // left edge, centre
    tip.ShowTipAt(p.x(), p.y(), T("位置"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(tip.popup()->geometry().left(), p.x());
    EXPECT_NEAR(tip.popup()->geometry().center().y(), p.y(), 2);
    tip.setTailPosition(7);  // right edge, centre
    tip.ShowTipAt(p.x(), p.y(), T("位置"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_NEAR(tip.popup()->geometry().right(), p.x(), 1);
    tip.setTailPosition(40);
    EXPECT_EQ(tip.settings().tailPosition, 11);
}

TEST(BalloonTip, WithoutTailCentredAboveThePoint) {
    // The photo window's balloon: tail sizes 0, position 10, no shadow.
    BalloonTip tip;
    BalloonTipSettings s = quick();
    s.initialDelay = 0;
    s.tailWidth = s.tailHeight = s.tailMargin = 0;
    tip.setSettings(s);
    tip.setTailPosition(10);
    tip.ShowTipAt(500, 300, T("请调整窗口位置及大小，把头像调整到相框里，然后双击相框截取头像！"));
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    const QRect g = tip.popup()->geometry();
    EXPECT_NEAR(g.left() + (g.width() - 1) / 2, 500, 1);
    EXPECT_NEAR(g.bottom(), 300, 1);
}

TEST(BalloonTip, ShadowWidensTheWindowAndDarkensBesideTheBody) {
    BalloonTip tip;
    BalloonTipSettings s = quick();
    s.initialDelay = 0;
    s.tailWidth = s.tailHeight = 0;
    tip.setSettings(s);
    tip.ShowTipAt(300, 300, T("影子"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    const QSize plain = tip.popup()->size();

    tip.setShadow(false, 60, 5, 3, 0, 0);
    tip.ShowTipAt(300, 300, T("影子"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    const QSize shadowed = tip.popup()->size();
    EXPECT_EQ(shadowed, plain + QSize(5, 3));
    const QImage image = tip.popup()->grab().toImage();
    // Right of the body, half way down: the shadow, black at 60 percent.
    const QRgb shade = image.pixel(shadowed.width() - 3, shadowed.height() / 2);
    EXPECT_NEAR(qAlpha(shade), 153, 3);
    EXPECT_EQ(qRed(shade), 0);
}

TEST(BalloonTip, LineBreaksAndIconsEnlargeTheBalloon) {
    BalloonTip tip;
    BalloonTipSettings s = quick();
    s.initialDelay = 0;
    tip.setSettings(s);
    tip.ShowTipAt(300, 300, Text::fromBytes("one line"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    const QSize one = tip.popup()->size();
    tip.ShowTipAt(300, 300, Text::fromBytes("one line\r\nand another"), -1, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_GT(tip.popup()->height(), one.height() + 5);

    QPixmap icon(16, 16);
    icon.fill(Qt::blue);
    tip.setImageList({icon});
    tip.ShowTipAt(300, 300, Text::fromBytes("one line"), 0, true);
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_GE(tip.popup()->width(), one.width() + 16);
    tip.ShowTipAt(300, 300, Text::fromBytes("one line"), 5, true);  // no such image: no icon
    ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); }));
    EXPECT_EQ(tip.popup()->size(), one);
}

TEST_F(BalloonTipOnPhoto, ShowsAgainAfterLeavingOnlyWithSwitchOne) {
    auto leave = [&] {
        QCursor::setPos(window.mapToGlobal(QPoint(250, 250)));
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(photo, &event);
    };

    for (int behaviour : {BalloonBehaviour::ShowAgain, 0}) {
        BalloonTip tip(&window);
        BalloonTipSettings s = quick();
        s.initialDelay = 30;
        s.displayTime = 100;
        s.behaviour = behaviour;
        tip.setSettings(s);
        tip.AddControlTip(photo, T("单击添加照片"), -1);
        rest(photo, QPoint(50, 60));
        ASSERT_TRUE(waitFor([&] { return tip.isTipVisible(); })) << behaviour;
        ASSERT_TRUE(waitFor([&] { return !tip.isTipVisible(); })) << behaviour;
        leave();
        rest(photo, QPoint(40, 40));
        const bool again = waitFor([&] { return tip.isTipVisible(); }, 300);
        EXPECT_EQ(again, behaviour == BalloonBehaviour::ShowAgain) << behaviour;
        tip.hideTip();
        leave();
    }
}
