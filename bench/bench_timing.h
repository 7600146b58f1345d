#pragma once
// The clocks and summaries the benchmarks report with: wall-clock and this
// thread's processor time, medians, and the process's resident memory.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double MsSince(BenchClock::time_point start) {
    return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

// Processor time of this thread: on a machine shared with other work the
// wall clock also counts the time other programs had the processor.
inline double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Wall-clock seconds `work` takes.
inline double SecondsOf(const std::function<void()>& work) {
    const auto start = BenchClock::now();
    work();
    return MsSince(start) / 1000.0;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Resident memory of the process, in MB.
inline double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
