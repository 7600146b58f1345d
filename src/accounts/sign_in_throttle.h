#pragma once
// Slows down password guessing at the login window: after five wrong
// passwords in a row each further try must wait a growing delay (1 s, 2 s,
// 4 s ... at most 30 s) counted from the last wrong one. A try made sooner
// is refused at once with a message; nothing ever sleeps, so the window
// stays responsive. A right password starts the count afresh.

#include <chrono>
#include <functional>

class SignInThrottle {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr int kFreeTries = 5;
    static constexpr std::chrono::seconds kLongestDelay{30};

    // The delay owed after `failures` wrong passwords in a row.
    static std::chrono::seconds delayAfter(int failures);

    // The clock is replaceable so that tests need not wait.
    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Whole seconds (rounded up) before the next try is allowed; 0 when it is.
    int secondsToWait() const;

    void recordFailure();
    void recordSuccess() { failures_ = 0; }
    // A new login window: no failures counted yet (the clock is kept).
    void reset() { failures_ = 0; }

private:
    std::chrono::steady_clock::time_point now() const;

    Clock clock_;
    int failures_ = 0;
    std::chrono::steady_clock::time_point lastFailure_{};
};

// The login window's throttle: one per program.
SignInThrottle& LoginThrottle();
