// ShowMessage, the message box seam and the fatal runtime report.

#include "services/core/message.h"

#include "services/core/core.h"
#include "services/core/files_registry.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

namespace {

using namespace MessageStyle;
using namespace MessageAnswer;

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> ButtonsOf(int flags) {
    using B = QMessageBox;
    switch (flags & kButtonsMask) {
    case kOkCancel: return {{B::Ok, kOk}, {B::Cancel, kCancel}};
    case kAbortRetryIgnore: return {{B::Abort, kAbort}, {B::Retry, kRetry}, {B::Ignore, kIgnore}};
    case kYesNoCancel: return {{B::Yes, kYes}, {B::No, kNo}, {B::Cancel, kCancel}};
    case kYesNo: return {{B::Yes, kYes}, {B::No, kNo}};
    case kRetryCancel: return {{B::Retry, kRetry}, {B::Cancel, kCancel}};
    default: return {{B::Ok, kOk}};
    }
}

QMessageBox::Icon IconOf(int flags) {
    switch (flags & kIconMask) {
    case kError: return QMessageBox::Critical;
    case kQuestion: return QMessageBox::Question;
    case kWarning: return QMessageBox::Warning;
    case kInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The Qt message box: no owner window, modal to the whole program.
class QtPresenter : public MessagePresenter {
public:
    int present(const MessageRequest& request) override {
        if (!QApplication::instance() || !qobject_cast<QApplication*>(QApplication::instance())) {
            // No user interface (yet): the text still reaches the user.
            std::fprintf(stderr, "%s\n%s\n", request.caption.toUtf8().c_str(), request.text.toUtf8().c_str());
            if (!request.detail.empty()) std::fprintf(stderr, "%s\n", request.detail.toUtf8().c_str());
            return kOk;
        }
        if (QThread::currentThread() != QApplication::instance()->thread()) {
            // Boxes belong to the user-interface thread; a caller on another
            // thread waits for the answer there.
            int answer = kOk;
            QMetaObject::invokeMethod(
                QApplication::instance(), [&] { answer = show(request); }, Qt::BlockingQueuedConnection);
            return answer;
        }
        return show(request);
    }

private:
    static int show(const MessageRequest& request) {
        QMessageBox box;
        box.setWindowTitle(request.caption.toQString());
        box.setText(request.text.toQString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        box.setIcon(IconOf(request.flags));
        if (!request.detail.empty())
            box.setDetailedText(request.detail.toQString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        box.setWindowModality(Qt::ApplicationModal);
        if (request.flags & kSystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint);

        std::vector<ButtonChoice> choices = ButtonsOf(request.flags);
        std::vector<std::pair<QAbstractButton*, int>> buttons;
        for (const ButtonChoice& c : choices) buttons.emplace_back(box.addButton(c.button), c.answer);
        std::size_t defaultIndex = static_cast<std::size_t>((request.flags & kDefaultButtonMask) >> 8);
        if (defaultIndex >= buttons.size()) defaultIndex = 0;
        box.setDefaultButton(static_cast<QPushButton*>(buttons[defaultIndex].first));
        // Escape and the close button mean Cancel where there is one, OK on a box with OK alone.
        for (const auto& [button, answer] : buttons) {
            if (answer == kCancel || (buttons.size() == 1 && answer == kOk)) box.setEscapeButton(button);
        }

        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        for (const auto& [button, answer] : buttons) {
            if (button == clicked) return answer;
        }
        return kOk;
    }
};

std::mutex& PresenterMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<MessagePresenter>& InstalledPresenter() {
    static std::shared_ptr<MessagePresenter> p;
    return p;
}

}  // namespace

std::shared_ptr<MessagePresenter> SetMessagePresenter(std::shared_ptr<MessagePresenter> presenter) {
    std::lock_guard lock(PresenterMutex());
    return std::exchange(InstalledPresenter(), std::move(presenter));
}

std::shared_ptr<MessagePresenter> CurrentMessagePresenter() {
    {
        std::lock_guard lock(PresenterMutex());
        if (InstalledPresenter()) return InstalledPresenter();
    }
    static auto qtPresenter = std::make_shared<QtPresenter>();
    return qtPresenter;
}

Text FatalRuntimeReportText(const Text& message, int code) {
    Text text = T("运行时出错!") + Text::fromBytes("\r\n\r\n");
    if (code >= 0) text += T("错误代码：") + TextOf(code) + Text::fromBytes("\r\n\r\n");
    text += T("错误信息：") + message + Text::fromBytes("\r\n");
    return text;
}

void FatalRuntimeError(const Text& message, int code) {
    MessageRequest request;
    request.caption = T("错误");
    request.text = FatalRuntimeReportText(message, code);
    request.flags = kError | kTaskModal;  // OK alone, modal to the program
    CurrentMessagePresenter()->present(request);
    // End at once: no destructors of a program in an unknown state run, but
    // the files it opened are closed and buffered output is written.
    CloseRegisteredFiles();
    std::fflush(nullptr);
    std::_Exit(-1);
}

int ShowMessageWithDetail(const Text& text, const Text& detail, int flags, const Text& caption) {
    MessageRequest request;
    request.caption = caption;
    request.text = text;
    request.detail = detail;
    request.flags = (flags & kSystemModal) ? flags : (flags | kTaskModal);
    int answer = CurrentMessagePresenter()->present(request);
    return (answer >= kOk && answer <= kNo) ? answer : kOk;
}

int ShowMessage(const Value& content, int flags, const Text& caption) {
    MessageRequest request;
    request.caption = caption;
    // Numbers, logicals, date-times and texts are shown; other values show an empty text.
    bool shown = !std::holds_alternative<Bytes>(content) && !std::holds_alternative<NumberArray>(content) &&
                 !std::holds_alternative<OtherArray>(content) && !std::holds_alternative<Subroutine>(content);
    if (shown) request.text = ToText(content);
    request.flags = (flags & kSystemModal) ? flags : (flags | kTaskModal);
    int answer = CurrentMessagePresenter()->present(request);
    return (answer >= kOk && answer <= kNo) ? answer : kOk;
}
