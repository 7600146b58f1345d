#pragma once
// The message box seam: ShowMessage goes through the installed presenter.
// The program installs nothing and gets Qt message boxes; a test installs a
// recording presenter that answers for the user.

#include "services/core/text.h"

#include <functional>
#include <memory>

struct MessageRequest {
    Text caption;
    Text text;
    int flags = 0;  // style bits as passed, with the task-modal bit added where it applies
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Returns the pressed button in ShowMessage's numbering (0 OK, 1 Cancel, ... 6 No).
    virtual int present(const MessageRequest& request) = 0;
};

// Installs a presenter (nullptr restores the Qt one); returns the previous one.
std::shared_ptr<MessagePresenter> SetMessagePresenter(std::shared_ptr<MessagePresenter> presenter);

// The presenter ShowMessage uses now: the installed one, else the Qt one.
std::shared_ptr<MessagePresenter> CurrentMessagePresenter();

// Text of the fatal runtime report for a message and an optional code.
Text FatalRuntimeReportText(const Text& message, int code = -1);

// The program's fatal runtime report: "错误" box with the error icon, then
// exit(-1). code < 0 means no error code line.
[[noreturn]] void FatalRuntimeError(const Text& message, int code = -1);
