// Picture choice and frame capture: the photo window, the frame window one
// second later, the capture on a double-click, into a contact's photo (kept
// until the save) or into the user's avatar (stored at once).
//
// Offscreen, a grab reads the windows' own pictures, so the frame never shows
// in it; run these tests under an X server (xvfb-run with QT_QPA_PLATFORM=xcb)
// to see the capture leave the frame's pane out of the screen it copies.

#include "contacts/picture_capture.h"
#include "services/core/core.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "support/stages/record_fixture.h"
#include "ui/frame_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/photo_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace record_tests;

class CaptureTest : public RecordWindowTest {
protected:
    void SetUp() override {
        RecordWindowTest::SetUp();
        // The main window off the screen, so that only the photo window lies
        // under the frame.
        mainWindow().setLeft(-3000);
    }

    // A picture file in the test folder.
    std::string pictureFile(const std::string& name, const QImage& image) {
        const std::string path = folder_.file(name);
        WriteFileBytes(path, BmpFileBytes(image));
        return path;
    }

    // Runs `start`, which opens the photo window (modal), and once the frame
    // window is there runs `inFrame` inside the photo window's loop. Without
    // a frame within 20 s the photo window is closed and the test fails.
    void runWithFrame(const std::function<void()>& start, const std::function<void(Window&, Window&)>& inFrame) {
        bool reached = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            Window* frame = FindWindow("frame");
            Window* photo = FindWindow("photo");
            if (!frame || !photo) return;
            poll.stop();
            reached = true;
            inFrame(*photo, *frame);
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            ADD_FAILURE() << "no frame window within 20 s";
            DestroyWindow("photo");
        });
        poll.start();
        watchdog.start(20000);
        start();
        EXPECT_TRUE(reached);
        EXPECT_EQ(FindWindow("photo"), nullptr);
        EXPECT_EQ(FindWindow("frame"), nullptr);
        EXPECT_FALSE(state_.frameOpen);
    }

    static void doubleClickFrame(Window& frame) {
        QWidget* label = frame.control(T(FrameControls::Label)).widget();
        ASSERT_NE(label, nullptr);
        QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(80, 100));
    }

    void pressPhotoBox() {
        QWidget* box = recordWindow().control(T(RecordControls::Photo)).widget();
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(20, 20));
    }

    void pressAvatar() {
        QWidget* avatar = mainWindow().control(T(MainControls::Avatar)).widget();
        ASSERT_NE(avatar, nullptr);
        QTest::mousePress(avatar, Qt::LeftButton, {}, QPoint(5, 5));
    }

    // Opens the record window on row 0 and moves it off the screen too.
    void openContact() {
        openRow(0);
        recordWindow().setLeft(-2500);
    }

    std::string settingsValue() const {
        return ReadIni(state_.settingsPath, T("目录"), T("照片对话框的目录")).toUtf8();
    }
};

namespace {

// The colour the gradient picture has at the screen point, given where the
// photo window shows it.
QRgb ExpectedColourAt(Window& photo, const QImage& picture, QPoint screen) {
    auto* box = static_cast<QFrame*>(photo.control(T(PhotoControls::Picture)).widget());
    const QPoint local = box->mapFromGlobal(screen);
    const QRect area = box->contentsRect();
    const int x = (local.x() - area.left()) * picture.width() / std::max(area.width(), 1);
    const int y = (local.y() - area.top()) * picture.height() / std::max(area.height(), 1);
    return picture.pixel(std::clamp(x, 0, picture.width() - 1), std::clamp(y, 0, picture.height() - 1));
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

TEST_F(CaptureTest, CaptureBecomesTheContactPhotoOnlyWhenSaved) {
    addContact({{"姓名", "照相"}, {"手机", "13812345678"}});
    refillList();
    openContact();
    const QImage picture = GradientImage(300, 260);
    const std::string file = pictureFile("face.bmp", picture);
    chooser_->answers = {file};

    QRgb expectedCentre = 0;
    runWithFrame([&] { pressPhotoBox(); },
                 [&](Window& photo, Window& frame) {
                     // The photo window shows the picture at its size, under its title.
                     EXPECT_EQ(photo.control(T(PhotoControls::Picture)).width(), 300);
                     EXPECT_EQ(photo.control(T(PhotoControls::Picture)).height(), 260);
                     EXPECT_EQ(photo.width(), 300);
                     EXPECT_EQ(photo.title().toUtf8(), "照片窗口 — " + file);
                     EXPECT_TRUE(photo.modal());
                     BalloonTip* hint = photo.balloon(T(PhotoControls::Balloon));
                     ASSERT_NE(hint, nullptr);
                     EXPECT_EQ(hint->currentText().toUtf8(),
                               "请调整窗口位置及大小，把头像调整到相框里，然后双击相框截取头像！");
                     EXPECT_EQ(hint->settings().tailPosition, 10);
                     // The frame: 170 x 200, translucent, on top.
                     EXPECT_EQ(frame.width(), 170);
                     EXPECT_EQ(frame.height(), 200);
                     EXPECT_NEAR(frame.widget()->windowOpacity(), 150.0 / 255.0, 0.01);
                     EXPECT_TRUE(frame.widget()->windowFlags() & Qt::WindowStaysOnTopHint);
                     EXPECT_TRUE(state_.frameOpen);
                     EXPECT_EQ(photo.control(T(PhotoControls::Timer)).interval(), 0);  // opens the frame once
                     const QPoint centre(frame.left() + 85, frame.top() + 100);
                     expectedCentre = ExpectedColourAt(photo, picture, centre);
                     doubleClickFrame(frame);
                 });

    const Bytes captured = recordWindow().control(T(RecordControls::Photo)).picture();
    const QImage image = DecodePicture(captured);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(170, 200));
    EXPECT_EQ(std::string(captured.begin(), captured.begin() + 2), "BM");
    // The picture under the frame, not the frame's own pane.
    EXPECT_TRUE(Near(image.pixel(85, 100), expectedCentre, 8))
        << std::hex << image.pixel(85, 100) << " vs " << expectedCentre;
    EXPECT_EQ(state_.captureRight - state_.captureLeft, 170);
    EXPECT_EQ(state_.captureBottom - state_.captureTop, 200);
    EXPECT_EQ(state_.photoTarget, kContactPhotoTarget);
    EXPECT_EQ(settingsValue(), file);  // the file itself is remembered

    // Not stored until the contact is saved.
    EXPECT_TRUE(storedContacts().at(0).photo.empty());
    click(recordWindow(), RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"保存成功！"});
    EXPECT_EQ(storedContacts().at(0).photo, captured);
}

TEST_F(CaptureTest, FrameIsDraggedAndTheCaptureFollowsIt) {
    pressNew();
    recordWindow().setLeft(-2500);
    const QImage picture = GradientImage(400, 300);
    chooser_->answers = {pictureFile("wide.bmp", picture)};

    QRgb expectedCentre = 0;
    runWithFrame([&] { pressPhotoBox(); },
                 [&](Window& photo, Window& frame) {
                     QWidget* label = frame.control(T(FrameControls::Label)).widget();
                     const int startLeft = frame.left(), startTop = frame.top();
                     const QPoint from = label->mapToGlobal(QPoint(50, 50));
                     const QPoint to = from + QPoint(-60, 30);
                     QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(from), Qt::LeftButton,
                                       Qt::LeftButton, Qt::NoModifier);
                     QApplication::sendEvent(label, &press);
                     QMouseEvent move(QEvent::MouseMove, QPointF(label->mapFromGlobal(to)), QPointF(to), Qt::NoButton,
                                      Qt::LeftButton, Qt::NoModifier);
                     QApplication::sendEvent(label, &move);
                     QMouseEvent release(QEvent::MouseButtonRelease, QPointF(label->mapFromGlobal(to)), QPointF(to),
                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
                     QApplication::sendEvent(label, &release);
                     // Dragged by its label: the frame follows the mouse.
                     const int left = frame.left(), top = frame.top();
                     EXPECT_EQ(left, startLeft - 60);
                     EXPECT_EQ(top, startTop + 30);
                     expectedCentre = ExpectedColourAt(photo, picture, QPoint(left + 85, top + 100));
                     state_.captureLeft = -1;
                     doubleClickFrame(frame);
                     EXPECT_EQ(state_.captureLeft, left);
                     EXPECT_EQ(state_.captureTop, top);
                 });
    const QImage image = DecodePicture(recordWindow().control(T(RecordControls::Photo)).picture());
    ASSERT_EQ(image.size(), QSize(170, 200));
    EXPECT_TRUE(Near(image.pixel(85, 100), expectedCentre, 8));
}

TEST_F(CaptureTest, CaptureBecomesTheAvatarAndIsStoredAtOnce) {
    const QImage picture = GradientImage(320, 280);
    chooser_->answers = {pictureFile("avatar.bmp", picture)};
    state_.userPosition = 0;
    runWithFrame([&] { pressAvatar(); }, [&](Window&, Window& frame) { doubleClickFrame(frame); });

    const Bytes avatar = mainWindow().control(T(MainControls::Avatar)).picture();
    EXPECT_EQ(DecodePicture(avatar).size(), QSize(170, 200));
    EXPECT_EQ(state_.photoTarget, kAvatarTarget);
    EXPECT_EQ(storedAvatar(0), avatar);
    EXPECT_TRUE((*messages_)->shown.empty());
    // The request came from the main window's own dialog.
    ASSERT_EQ(chooser_->requests.size(), 1u);
    EXPECT_EQ(chooser_->requests[0].title.toUtf8(), "请选择图片");
    EXPECT_FALSE(chooser_->requests[0].save);
}

TEST_F(CaptureTest, AvatarOnAReadOnlyBookIsShownButReportedAsNotStored) {
    closeAllWindows();
    makeBookReadOnly();
    loadMainWindow();
    mainWindow().setLeft(-3000);
    chooser_->answers = {pictureFile("avatar.bmp", GradientImage(300, 260))};
    runWithFrame([&] { pressAvatar(); }, [&](Window&, Window& frame) { doubleClickFrame(frame); });

    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->shown[0].text.toUtf8(), "更换头像失败！");
    EXPECT_EQ((*messages_)->shown[0].caption.toUtf8(), "提示！");
    EXPECT_EQ((*messages_)->shown[0].flags & MessageStyle::kButtonsAndIconMask, MessageStyle::kOkOnly);
    EXPECT_EQ(DecodePicture(mainWindow().control(T(MainControls::Avatar)).picture()).size(), QSize(170, 200));
    EXPECT_TRUE(storedAvatar(0).empty());
}

TEST_F(CaptureTest, CancelledDialogChangesNothing) {
    const Bytes avatarBefore = mainWindow().control(T(MainControls::Avatar)).picture();
    chooser_->answers = {std::nullopt};
    pressAvatar();
    EXPECT_EQ(FindWindow("photo"), nullptr);
    EXPECT_EQ(mainWindow().control(T(MainControls::Avatar)).picture(), avatarBefore);
    EXPECT_TRUE(storedAvatar(0).empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settingsPath())));
    EXPECT_TRUE((*messages_)->shown.empty());
}

TEST_F(CaptureTest, ClosingThePhotoWindowKeepsThePhotoAndRemembersTheFile) {
    addContact({{"姓名", "照相"}, {"手机", "13812345678"}});
    refillList();
    openContact();
    const Bytes before = recordWindow().control(T(RecordControls::Photo)).picture();
    const std::string file = pictureFile("face.bmp", GradientImage(200, 220));
    chooser_->answers = {file};
    runWithFrame([&] { pressPhotoBox(); },
                 [&](Window& photo, Window&) {
                     // The picture box follows the window's size.
                     const int overhead = photo.height() - photo.control(T(PhotoControls::Picture)).height();
                     photo.move(photo.left(), photo.top(), 260, 300);
                     EXPECT_EQ(photo.control(T(PhotoControls::Picture)).width(), photo.width());
                     EXPECT_EQ(photo.control(T(PhotoControls::Picture)).height(), photo.height() - overhead);
                     DestroyWindow(&photo);
                 });
    EXPECT_EQ(recordWindow().control(T(RecordControls::Photo)).picture(), before);
    EXPECT_EQ(settingsValue(), file);

    // The next dialog opens in the remembered file's folder.
    chooser_->answers = {std::nullopt};
    pressPhotoBox();
    ASSERT_EQ(chooser_->requests.size(), 2u);
    const FileRequest& second = chooser_->requests[1];
    EXPECT_EQ(second.folder.toUtf8(), QFileInfo(QString::fromStdString(file)).absolutePath().toStdString());
    EXPECT_EQ(second.title.toUtf8(), "请选择图片");
    ASSERT_EQ(second.filters.size(), 2u);
    EXPECT_EQ(second.filters[0].name.toUtf8(), "照片(*.jpg;*.gif;*.bmp)");
    EXPECT_EQ(second.filters[0].patterns.toUtf8(), "*.jpg;*.gif;*.bmp;*.jpeg");
}

TEST_F(CaptureTest, FileThatIsNoPictureShowsAnEmptyPhotoWindow) {
    pressNew();
    recordWindow().setLeft(-2500);
    const std::string file = folder_.file("notes.jpg");
    WriteFileBytes(file, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    chooser_->answers = {file};
    runWithFrame([&] { pressPhotoBox(); },
                 [&](Window& photo, Window&) {
                     // No picture: the window shrinks as far as the desktop lets it.
                     EXPECT_TRUE(photo.control(T(PhotoControls::Picture)).picture().size() == 13);
                     EXPECT_LT(photo.width(), 100);
                     EXPECT_LT(photo.control(T(PhotoControls::Picture)).height(), 100);
                     DestroyWindow(&photo);
                 });
    EXPECT_TRUE(recordWindow().control(T(RecordControls::Photo)).picture().empty());
    EXPECT_TRUE((*messages_)->shown.empty());
}

TEST_F(CaptureTest, TwentyMegabytePhotoIsShownAndCaptured) {
    pressNew();
    recordWindow().setLeft(-2500);
    const QImage picture = GradientImage(2600, 2600);
    const std::string file = pictureFile("big.bmp", picture);
    ASSERT_GE(QFileInfo(QString::fromStdString(file)).size(), 20 * 1000 * 1000);
    chooser_->answers = {file};
    runWithFrame([&] { pressPhotoBox(); },
                 [&](Window& photo, Window& frame) {
                     EXPECT_EQ(photo.control(T(PhotoControls::Picture)).width(), 2600);
                     doubleClickFrame(frame);
                 });
    EXPECT_EQ(DecodePicture(recordWindow().control(T(RecordControls::Photo)).picture()).size(), QSize(170, 200));
}
