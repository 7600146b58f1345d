#pragma once
// A declared test window with one control of every kind, handlers that log
// each event, and a fixture that leaves no window behind.

#include "services/window/commands.h"
#include "services/window/decl.h"
#include "services/window/window.h"
#include "support/window_driver.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// "event control" entries, in the order the handlers ran.
struct EventLog {
    std::vector<std::string> entries;
    int count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : entries) n += e == entry;
        return n;
    }
    void clear() { entries.clear(); }
};

// Every kind of control, a container with a child, and every event bound to
// the handler "log".
WindowDecl EveryKindWindow(const std::string& id = "every");

// Binds "log" to record "<Event> <control name>" (window events: "<Event> window").
HandlerTable LoggingHandlers(EventLog& log);

class WindowTest : public ::testing::Test, protected WindowDriver {
protected:
    // Outlives the windows: TearDown destroys them, and their Destroying
    // handlers still log.
    EventLog log;

    void TearDown() override { closeAllWindows(); }
};
