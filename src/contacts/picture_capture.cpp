#include "contacts/picture_capture.h"

#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "ui/frame_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/photo_window_decl.h"
#include "ui/record_window_decl.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

const char* const kSettingsSection = "目录";
const char* const kSettingsKey = "照片对话框的目录";
constexpr int kRepaintWaitMs = 60;

// One run of the photo window: its frame overhead (outer height minus the
// picture box's height) and the picture captured, if any.
struct CaptureSession {
    int frameOverhead = 0;
    std::optional<Bytes> captured;
};

HandlerTable FrameWindowTable(ProgramState& state, std::shared_ptr<CaptureSession> session);

void open_photo_window(ProgramState& state, CaptureSession& session, Window& photo) {
    Control box = photo.control(T(PhotoControls::Picture));
    session.frameOverhead = photo.height() - box.height();
    box.setPicture(ReadFile(state.chosenPictureFile));
    const int width = ImageWidth(state.chosenPictureFile);
    const int height = ImageHeight(state.chosenPictureFile);
    box.move(0, 0, width, height);
    photo.move(photo.left(), photo.top(), width, height + session.frameOverhead);
    photo.setTitle(photo.title() + T(" — ") + state.chosenPictureFile);
    if (BalloonTip* balloon = photo.balloon(T(PhotoControls::Balloon))) {
        balloon->setTailPosition(10);
        balloon->ShowTipAt(photo.left() + photo.width() / 2, photo.top() + 100,
                           T("请调整窗口位置及大小，把头像调整到相框里，然后双击相框截取头像！"));
    }
    photo.moveToCentre();
}

// The screen under the frame, without the frame: it is hidden for the grab,
// as this desktop would otherwise copy its translucent pane too. The short
// wait lets the windows beneath repaint (and a compositor drop the pane).
std::optional<Bytes> CaptureUnder(Window& frame) {
    const Rect area{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
    QPointer<QWidget> pane = frame.widget();
    if (pane) pane->hide();
    QCoreApplication::processEvents();
    Delay(kRepaintWaitMs);
    // The photo window may have been closed meanwhile, taking the frame along.
    if (!frame.alive() || frame.closing()) return std::nullopt;
    Bytes picture = ScreenCaptureBytes(area);
    if (pane) pane->show();
    return picture;
}

void capture_frame(ProgramState& state, CaptureSession& session, Window& frame) {
    state.captureLeft = frame.left();
    state.captureTop = frame.top();
    state.captureRight = frame.left() + frame.width();
    state.captureBottom = frame.top() + frame.height();
    const std::optional<Bytes> grabbed = CaptureUnder(frame);
    if (!grabbed) return;
    const Bytes& picture = *grabbed;
    if (state.photoTarget == kContactPhotoTarget) {
        if (Window* record = FindWindow("record")) record->control(T(RecordControls::Photo)).setPicture(picture);
    } else if (Window* main = MainWindow()) {
        main->control(T(MainControls::Avatar)).setPicture(picture);
    }
    session.captured = picture;
    DestroyWindow(&frame);
    DestroyWindow("photo");
}

HandlerTable PhotoWindowTable(ProgramState& state, std::shared_ptr<CaptureSession> session) {
    ProgramState* s = &state;
    HandlerTable table;
    table[PhotoHandlers::Created] = [s, session](const EventArgs& e) { open_photo_window(*s, *session, e.window); };
    table[PhotoHandlers::Resized] = [session](const EventArgs& e) {
        e.window.control(T(PhotoControls::Picture))
            .move(0, 0, e.window.width(), e.window.height() - session->frameOverhead);
    };
    table[PhotoHandlers::TimerTick] = [s, session](const EventArgs& e) {
        e.window.control(T(PhotoControls::Timer)).setInterval(0);
        LoadWindow(FrameWindowDecl(), FrameWindowTable(*s, session), false);
    };
    table[PhotoHandlers::Destroying] = [s](const EventArgs&) {
        if (s->frameOpen) DestroyWindow("frame", true);
    };
    return table;
}

HandlerTable FrameWindowTable(ProgramState& state, std::shared_ptr<CaptureSession> session) {
    ProgramState* s = &state;
    HandlerTable table;
    table[FrameHandlers::Created] = [s](const EventArgs& e) {
        s->frameOpen = true;
        SetWindowAlpha(e.window.widget(), 150);
    };
    table[FrameHandlers::Destroying] = [s](const EventArgs&) { s->frameOpen = false; };
    table[FrameHandlers::DoubleClicked] = [s, session](const EventArgs& e) { capture_frame(*s, *session, e.window); };
    return table;
}

// The folder the dialog opens in: the remembered picture's folder (the
// setting holds the picture file itself).
Text RememberedFolder(const Text& remembered) {
    if (remembered.empty()) return Text();
    const QFileInfo info(remembered.toQFileName());
    return Text::fromQFileName(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

// Steps of the picture choice; the capture made, or nothing when the dialog
// was cancelled or the photo window closed without one.
std::optional<Bytes> ChooseAndCapture(ProgramState& state, int target, const Control& dialog) {
    Window* owner = dialog.window();
    CommonDialog* settings = owner ? owner->dialog(dialog.name()) : nullptr;
    if (!settings) return std::nullopt;
    settings->kind = CommonDialog::kOpenFile;
    settings->title = T("请选择图片");
    if (FileExists(state.settingsPath))
        settings->folder = RememberedFolder(ReadIni(state.settingsPath, T(kSettingsSection), T(kSettingsKey)));
    if (!ShowCommonDialog(dialog)) return std::nullopt;
    const Text chosen = dialog.text();
    state.photoTarget = target;
    state.chosenPictureFile = chosen;
    auto session = std::make_shared<CaptureSession>();
    LoadWindow(PhotoWindowDecl(), PhotoWindowTable(state, session), true);
    if (!state.settingsPath.empty()) WriteIni(state.settingsPath, T(kSettingsSection), T(kSettingsKey), chosen);
    return session->captured;
}

}  // namespace

void choose_picture(ProgramState& state, int target, const Control& dialog) { ChooseAndCapture(state, target, dialog); }

void change_avatar(ProgramState& state) {
    Window* main = MainWindow();
    if (!main) return;
    const std::optional<Bytes> avatar =
        ChooseAndCapture(state, kAvatarTarget, main->control(T(MainControls::PhotoDialog)));
    // Nothing captured: the stored avatar stays as it is.
    if (!avatar) return;
    main = MainWindow();
    DBConnection* connection = MainAddressBook();
    RecordSet* users = main ? main->recordSet(T(MainControls::Users)) : nullptr;
    bool stored = false;
    if (connection && users) {
        users->SetConnection(*connection);
        stored = users->OpenTable(UsersTable(), UsersByName()) && users->MoveTo(state.userPosition) &&
                 users->WriteBytes(T("头像"), *avatar);
        stored = users->Update() && stored;
    }
    if (!stored) ShowMessage(T("更换头像失败！"), MessageStyle::kOkOnly, T("提示！"));
}

HandlerTable photo_window_handlers(ProgramState& state) {
    return PhotoWindowTable(state, std::make_shared<CaptureSession>());
}

HandlerTable frame_window_handlers(ProgramState& state) {
    return FrameWindowTable(state, std::make_shared<CaptureSession>());
}
