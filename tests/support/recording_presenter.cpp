#include "support/recording_presenter.h"

int RecordingPresenter::present(const MessageRequest& request) {
    shown.push_back(request);
    if (whileShown) whileShown(request);
    if (answers.empty()) return 0;
    int a = answers.front();
    answers.pop_front();
    return a;
}

std::vector<std::string> RecordingPresenter::texts() const {
    std::vector<std::string> out;
    for (const auto& m : shown) out.push_back(m.text.toUtf8());
    return out;
}

ScopedPresenter::ScopedPresenter() : presenter_(std::make_shared<RecordingPresenter>()) {
    previous_ = SetMessagePresenter(presenter_);
}

ScopedPresenter::~ScopedPresenter() { SetMessagePresenter(previous_); }
