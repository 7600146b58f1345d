#include "accounts/sign_in_throttle.h"

#include <algorithm>

std::chrono::seconds SignInThrottle::delayAfter(int failures) {
    if (failures < kFreeTries) return std::chrono::seconds(0);
    // 1 s after the fifth, doubling; the shift is capped long before overflow.
    const int doublings = std::min(failures - kFreeTries, 5);
    return std::min(std::chrono::seconds(1LL << doublings), kLongestDelay);
}

std::chrono::steady_clock::time_point SignInThrottle::now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

int SignInThrottle::secondsToWait() const {
    const auto due = lastFailure_ + delayAfter(failures_);
    const auto left = due - now();
    if (failures_ < kFreeTries || left <= std::chrono::steady_clock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::seconds>(left).count());
}

void SignInThrottle::recordFailure() {
    if (failures_ < 1000) ++failures_;
    lastFailure_ = now();
}

SignInThrottle& LoginThrottle() {
    static SignInThrottle throttle;
    return throttle;
}
