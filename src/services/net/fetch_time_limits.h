#pragma once
// The fetch time limits, and the one way tests shorten them.

#include <chrono>

struct FetchTimeLimits {
    std::chrono::milliseconds connect{10'000};  // name lookup and connection
    std::chrono::milliseconds total{30'000};    // the whole transfer
};

// The limits in force for new fetches.
FetchTimeLimits CurrentFetchTimeLimits();

// Test seam: shortens the limits while the object lives, so that a test of a
// silent server does not wait 30 s. The program never uses it.
class ScopedFetchTimeLimits {
public:
    explicit ScopedFetchTimeLimits(FetchTimeLimits limits);
    ~ScopedFetchTimeLimits();
    ScopedFetchTimeLimits(const ScopedFetchTimeLimits&) = delete;
    ScopedFetchTimeLimits& operator=(const ScopedFetchTimeLimits&) = delete;

private:
    FetchTimeLimits previous_;
};
