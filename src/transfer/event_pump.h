#pragma once
// Lets pending window events run during a long loop on the user's thread, so
// that the window keeps painting its progress and can be closed. Events are
// processed at most every kInterval: a repaint per row would cost more than
// the row itself (about 5 ms for a window with a full list).

#include "services/core/core.h"
#include "services/window/window.h"

#include <QElapsedTimer>

class EventPump {
public:
    static constexpr qint64 kIntervalMs = 40;
    // The interval in use: tests set 0 so that events run after every row and
    // what they do meanwhile happens at a known row, not when the clock says.
    inline static qint64 intervalMs = kIntervalMs;

    EventPump() { clock_.start(); }

    // After each row. False once the window is closing or gone, so that the
    // loop stops before its controls do.
    bool keepGoing(const Window& window) {
        if (clock_.elapsed() >= intervalMs) {
            ProcessEvents();
            clock_.restart();
        }
        return window.alive() && !window.closing();
    }

private:
    QElapsedTimer clock_;
};
