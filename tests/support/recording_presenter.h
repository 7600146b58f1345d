#pragma once
// A message presenter for tests: records every box and answers from a queue
// (OK when the queue is empty). Installed for the lifetime of the object.

#include "services/core/message.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class RecordingPresenter : public MessagePresenter {
public:
    int present(const MessageRequest& request) override;

    std::vector<MessageRequest> shown;
    std::deque<int> answers;
    // Runs while a box is shown, as the user would act then (after it was recorded).
    std::function<void(const MessageRequest&)> whileShown;

    // The texts shown, in UTF-8, for readable assertions.
    std::vector<std::string> texts() const;
    std::string lastText() const { return shown.empty() ? std::string() : shown.back().text.toUtf8(); }
};

// Installs a RecordingPresenter and restores the previous presenter on destruction.
class ScopedPresenter {
public:
    ScopedPresenter();
    ~ScopedPresenter();
    RecordingPresenter& operator*() { return *presenter_; }
    RecordingPresenter* operator->() { return presenter_.get(); }

private:
    std::shared_ptr<RecordingPresenter> presenter_;
    std::shared_ptr<MessagePresenter> previous_;
};
