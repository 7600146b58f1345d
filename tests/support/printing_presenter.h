#pragma once
// For the child programs the tests start and read line by line: a line on
// standard output, flushed at once so a killed child has said it, and a
// message presenter that says each box as "said TEXT" on one line.

#include "services/core/message.h"

#include <cstdio>
#include <string>

inline void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class PrintingPresenter : public MessagePresenter {
public:
    int present(const MessageRequest& request) override {
        std::string text = request.text.toUtf8();
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        Say("said " + text);
        return 0;
    }
};
