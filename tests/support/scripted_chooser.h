#pragma once
// A file chooser that answers file dialogs from a queue (a cancel when it is
// empty) and keeps every request. Install it with SetFileChooser.

#include "services/window/file_chooser.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class ScriptedChooser : public FileChooser {
public:
    std::optional<Text> choose(const FileRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (!answer) return std::nullopt;
        return Text::fromFileSystem(*answer);
    }

    std::deque<std::optional<std::string>> answers;  // paths as the file system's bytes; nullopt cancels
    std::vector<FileRequest> requests;
};
