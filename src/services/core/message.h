#pragma once
// The message box seam: ShowMessage goes through the installed presenter.
// The program installs nothing and gets Qt message boxes; a test installs a
// recording presenter that answers for the user.

#include "services/core/text.h"

#include <functional>
#include <memory>

// ShowMessage's flags: a button set, an icon, the default button and the
// modality, added together (64 is an information box with OK, 49 a warning
// with OK and Cancel). The values are the ones callers and tests pass.
namespace MessageStyle {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kAbortRetryIgnore = 2;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kRetryCancel = 5;
inline constexpr int kButtonsMask = 0x0F;

inline constexpr int kNoIcon = 0;
inline constexpr int kError = 0x10;
inline constexpr int kQuestion = 0x20;
inline constexpr int kWarning = 0x30;
inline constexpr int kInformation = 0x40;
inline constexpr int kIconMask = 0xF0;
inline constexpr int kButtonsAndIconMask = kButtonsMask | kIconMask;

inline constexpr int kDefaultButtonMask = 0xF00;  // 0x100: the second button, 0x200: the third
inline constexpr int kSystemModal = 0x1000;
inline constexpr int kTaskModal = 0x2000;
}  // namespace MessageStyle

// What ShowMessage returns: the button pressed.
namespace MessageAnswer {
inline constexpr int kOk = 0;
inline constexpr int kCancel = 1;
inline constexpr int kAbort = 2;
inline constexpr int kRetry = 3;
inline constexpr int kIgnore = 4;
inline constexpr int kYes = 5;
inline constexpr int kNo = 6;
}  // namespace MessageAnswer

struct MessageRequest {
    Text caption;
    Text text;
    Text detail;    // the box's detail text (shown on request); empty: none
    int flags = 0;  // style bits as passed, with the task-modal bit added where it applies
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Returns the pressed button as a MessageAnswer.
    virtual int present(const MessageRequest& request) = 0;
};

// Installs a presenter (nullptr restores the Qt one); returns the previous one.
std::shared_ptr<MessagePresenter> SetMessagePresenter(std::shared_ptr<MessagePresenter> presenter);

// The presenter ShowMessage uses now: the installed one, else the Qt one.
std::shared_ptr<MessagePresenter> CurrentMessagePresenter();

// ShowMessage with a detail text the box shows on request (a technical
// reason below a plain message). Returns the pressed button as ShowMessage does.
int ShowMessageWithDetail(const Text& text, const Text& detail, int flags = 0, const Text& caption = T("信息："));

// Text of the fatal runtime report for a message and an optional code.
Text FatalRuntimeReportText(const Text& message, int code = -1);

// The program's fatal runtime report: "错误" box with the error icon, then
// exit(-1). code < 0 means no error code line.
[[noreturn]] void FatalRuntimeError(const Text& message, int code = -1);
