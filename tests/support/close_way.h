#pragma once
// The ways a window is closed while it works, for tests run once per way:
// the user's Esc and title bar close button, and DestroyWindow from code,
// posted or at once.

#include "services/window/commands.h"
#include "support/window_driver.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

enum class CloseWay { Escape, CloseButton, PostedDestroy, DestroyAtOnce };

inline std::string CloseWayName(const ::testing::TestParamInfo<CloseWay>& info) {
    switch (info.param) {
    case CloseWay::Escape: return "Escape";
    case CloseWay::CloseButton: return "CloseButton";
    case CloseWay::PostedDestroy: return "PostedDestroy";
    case CloseWay::DestroyAtOnce: return "DestroyAtOnce";
    }
    return "unknown";
}

inline void CloseBy(CloseWay way, Window& window) {
    switch (way) {
    case CloseWay::Escape:
        // The key goes to the active window: the user clicks the window first.
        window.widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.widget()));
        WindowDriver::pressKey(window, Qt::Key_Escape);
        break;
    case CloseWay::CloseButton: window.widget()->close(); break;
    case CloseWay::PostedDestroy: DestroyWindow(&window); break;
    case CloseWay::DestroyAtOnce: DestroyWindow(&window, true); break;
    }
}

#define VARELO_EVERY_CLOSE_WAY                                                                                    \
    ::testing::Values(CloseWay::Escape, CloseWay::CloseButton, CloseWay::PostedDestroy, CloseWay::DestroyAtOnce), \
        CloseWayName
