// Image buttons driven by real mouse events offscreen.

#include "services/window/controls/image_button.h"
#include "picture_bytes.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

QRgb colourAt(const ImageButton& button, int x = 5, int y = 5) {
    return button.currentPicture().pixel(x, y) & 0xFFFFFF;
}

const QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kGrey = 0x808080;

// Counts paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
};

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 100);
        button = new ImageButton(&window);
        button->setGeometry(50, 30, 20, 20);
        button->setNormalPicture(SolidPicture(Qt::red));
        button->setHotPicture(SolidPicture(Qt::green));
        button->setPressedPicture(SolidPicture(Qt::blue, 20, 20, "JPEG"));
        button->setDisabledPicture(SolidPicture(QColor(0x80, 0x80, 0x80)));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    ImageButton* button = nullptr;
};

}  // namespace

TEST_F(ImageButtonTest, ClickIsRaisedOnReleaseInside) {
    QSignalSpy clicked(button, &ImageButton::clicked);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->state(), ImageButton::State::Pressed);
    EXPECT_EQ(clicked.count(), 0);            // not on the press
    EXPECT_NE(colourAt(*button) & 0xFF, 0u);  // the pressed (blue) picture, decoded from JPEG
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(button->state(), ImageButton::State::Normal);
}

TEST_F(ImageButtonTest, ReleaseOutsideRaisesNothing) {
    QSignalSpy clicked(button, &ImageButton::clicked);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(button->state(), ImageButton::State::Normal);
}

TEST_F(ImageButtonTest, HotWhileTheMouseIsOver) {
    QTest::mouseMove(button, QPoint(6, 6));
    EXPECT_EQ(button->state(), ImageButton::State::Hot);
    EXPECT_EQ(colourAt(*button), kGreen);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(button->state(), ImageButton::State::Normal);
    EXPECT_EQ(colourAt(*button), kRed);
}

TEST_F(ImageButtonTest, DisabledShowsItsPictureAndIgnoresTheMouse) {
    QSignalSpy clicked(button, &ImageButton::clicked);
    button->setEnabled(false);
    EXPECT_EQ(colourAt(*button), kGrey);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 0);
    button->setDisabledPicture(Bytes());
    // Without a disabled picture: the normal one, greyed.
    const QRgb greyed = colourAt(*button);
    EXPECT_NE(greyed, kRed);
    EXPECT_EQ(qRed(greyed), qGreen(greyed));
    EXPECT_EQ(qGreen(greyed), qBlue(greyed));
    button->setEnabled(true);
    EXPECT_EQ(colourAt(*button), kRed);
}

TEST_F(ImageButtonTest, StateWithoutPictureShowsTheNormalOne) {
    button->setHotPicture(Bytes());
    QTest::mouseMove(button, QPoint(6, 6));
    ASSERT_EQ(button->state(), ImageButton::State::Hot);
    EXPECT_EQ(colourAt(*button), kRed);
    const std::string notAPicture = "not a picture";
    button->setHotPicture(Bytes(notAPicture.begin(), notAPicture.end()));
    EXPECT_EQ(colourAt(*button), kRed);
}

TEST_F(ImageButtonTest, ToggleFlipsCheckedOnEachClick) {
    button->setButtonType(ImageButton::ToggleType);
    QSignalSpy clicked(button, &ImageButton::clicked);
    QSignalSpy toggled(button, &ImageButton::toggled);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->isChecked());
    EXPECT_NE(colourAt(*button) & 0xFF, 0u);  // checked shows the pressed picture
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(clicked.count(), 2);
    ASSERT_EQ(toggled.count(), 2);
    EXPECT_TRUE(toggled[0][0].toBool());
    // A toggle button has no hot or pressed state of its own.
    QTest::mouseMove(button, QPoint(6, 6));
    EXPECT_EQ(button->state(), ImageButton::State::Normal);
    button->setButtonType(7);  // unknown types are push buttons
    EXPECT_EQ(button->buttonType(), ImageButton::PushType);
}

TEST_F(ImageButtonTest, TransparentColourIsOutsideTheButton) {
    // Left half magenta (transparent), right half red.
    QImage shape(20, 20, QImage::Format_RGB32);
    shape.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 10; ++x) shape.setPixel(x, y, qRgb(255, 0, 255));
    button->setNormalPicture(PictureBytes(shape));
    button->setTransparentColor(QColor(255, 0, 255));
    EXPECT_FALSE(button->mask().contains(QPoint(3, 10)));
    EXPECT_TRUE(button->mask().contains(QPoint(15, 10)));

    QSignalSpy clicked(button, &ImageButton::clicked);
    // Clicks through the window, routed as the platform routes them.
    QWindow* handle = window.windowHandle();
    QTest::mouseClick(handle, Qt::LeftButton, {}, button->geometry().topLeft() + QPoint(3, 10));
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(handle, Qt::LeftButton, {}, button->geometry().topLeft() + QPoint(15, 10));
    EXPECT_EQ(clicked.count(), 1);
    // Even delivered straight to the button, a press and release on a
    // transparent pixel is no click.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 10));
    EXPECT_EQ(clicked.count(), 1);

    button->setTransparentColor(std::nullopt);
    EXPECT_TRUE(button->mask().isEmpty());
}

TEST_F(ImageButtonTest, OnlyThePictureOnShowRedraws) {
    QCursor::setPos(QPoint(5000, 5000));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    ASSERT_EQ(button->state(), ImageButton::State::Normal);
    QTest::qWait(30);
    PaintCounter paints(button);
    button->setHotPicture(SolidPicture(Qt::yellow));  // not hot now: nothing to draw
    QTest::qWait(30);
    EXPECT_EQ(paints.count, 0);
    button->setNormalPicture(SolidPicture(Qt::cyan));
    QTest::qWait(30);
    EXPECT_GE(paints.count, 1);
    EXPECT_EQ(colourAt(*button), 0x00FFFFu);
}

TEST_F(ImageButtonTest, HandCursorWhenDeclared) {
    EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
    button->setHandCursor(true);
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
}
