// start_thread / end_thread: threads are asked to stop and waited for, never killed.
#include "services/thread/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A one-shot signal between threads.
class Signal {
public:
    void raise() {
        {
            std::lock_guard l(m_);
            raised_ = true;
        }
        cv_.notify_all();
    }
    bool wait(std::chrono::milliseconds timeout = 10s) {
        std::unique_lock l(m_);
        return cv_.wait_for(l, timeout, [&] { return raised_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool raised_ = false;
};

}  // namespace

TEST(StartThread, RunsTheRoutineAndKeepsItInTheHandle) {
    Signal go, ran;
    ThreadHandle handle;
    EXPECT_TRUE(handle.empty());
    ASSERT_TRUE(start_thread(
        [&](std::stop_token) {
            go.wait();
            ran.raise();
            return 0;
        },
        &handle));
    EXPECT_FALSE(handle.empty());
    EXPECT_TRUE(handle.running());
    go.raise();
    EXPECT_TRUE(ran.wait());
    EXPECT_TRUE(end_thread(handle));
    EXPECT_FALSE(handle.running());
    EXPECT_TRUE(handle.empty());
}

TEST(StartThread, WithoutAHandleTheThreadRunsOnItsOwn) {
    auto ran = std::make_shared<Signal>();
    EXPECT_TRUE(start_thread([ran](std::stop_token) {
        ran->raise();
        return 0;
    }));
    EXPECT_TRUE(ran->wait());
}

TEST(StartThread, RefusesAHandleWhoseThreadStillRuns) {
    Signal release;
    std::atomic<int> second{0};
    ThreadHandle handle;
    ASSERT_TRUE(start_thread(
        [&](std::stop_token) {
            release.wait();
            return 0;
        },
        &handle));
    EXPECT_FALSE(start_thread(
        [&](std::stop_token) {
            second = 1;
            return 0;
        },
        &handle));
    EXPECT_TRUE(handle.running());
    release.raise();
    end_thread(handle);
    EXPECT_EQ(second.load(), 0);
}

TEST(StartThread, ReusesAHandleWhoseThreadHasFinished) {
    ThreadHandle handle;
    std::atomic<int> runs{0};
    ASSERT_TRUE(start_thread(
        [&](std::stop_token) {
            ++runs;
            return 0;
        },
        &handle));
    while (handle.running()) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(start_thread(
        [&](std::stop_token) {
            ++runs;
            return 0;
        },
        &handle));
    end_thread(handle);
    EXPECT_EQ(runs.load(), 2);
}

TEST(StartThread, AnExceptionEndsOnlyTheThread) {
    ThreadHandle handle;
    ASSERT_TRUE(start_thread([](std::stop_token) -> int { throw std::runtime_error("lost"); }, &handle));
    EXPECT_TRUE(end_thread(handle));
    EXPECT_FALSE(handle.running());
}

TEST(StartThread, NoRoutineNoThread) {
    ThreadHandle handle;
    EXPECT_FALSE(start_thread(ThreadRoutine(), &handle));
    EXPECT_TRUE(handle.empty());
}

TEST(EndThread, AsksTheRoutineToStopAndWaitsForIt) {
    std::atomic<bool> returned{false};
    std::atomic<int> steps{0};
    Signal started;
    ThreadHandle handle;
    ASSERT_TRUE(start_thread(
        [&](std::stop_token stop) {
            started.raise();
            while (!stop.stop_requested()) {
                ++steps;
                std::this_thread::sleep_for(1ms);
            }
            std::this_thread::sleep_for(20ms);  // finishing its step after the request
            returned = true;
            return 0;
        },
        &handle));
    ASSERT_TRUE(started.wait());
    EXPECT_TRUE(end_thread(handle));
    EXPECT_TRUE(returned.load());  // the routine ran to its end: nothing was cut off
    EXPECT_TRUE(handle.empty());
}

TEST(EndThread, EmptyHandleFails) {
    ThreadHandle handle;
    EXPECT_FALSE(end_thread(handle));
}

TEST(EndThread, AFinishedThreadIsJustJoined) {
    ThreadHandle handle;
    ASSERT_TRUE(start_thread([](std::stop_token) { return 7; }, &handle));
    while (handle.running()) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(end_thread(handle));
    EXPECT_FALSE(end_thread(handle));  // nothing left to end
}

TEST(EndThread, FromTheThreadItselfOnlyRequestsTheStop) {
    ThreadHandle handle;
    Signal handleSet, done;
    std::atomic<bool> result{false}, stopSeen{false};
    ASSERT_TRUE(start_thread(
        [&](std::stop_token stop) {
            handleSet.wait();
            result = end_thread(handle);
            stopSeen = stop.stop_requested();
            done.raise();
            return 0;
        },
        &handle));
    handleSet.raise();
    ASSERT_TRUE(done.wait());
    EXPECT_TRUE(result.load());
    EXPECT_TRUE(stopSeen.load());
    EXPECT_TRUE(end_thread(handle));  // the owner then joins it
}

TEST(ThreadHandleLifetime, DestroyingTheHandleStopsAndJoins) {
    std::atomic<bool> returned{false};
    Signal started;
    {
        ThreadHandle handle;
        ASSERT_TRUE(start_thread(
            [&](std::stop_token stop) {
                started.raise();
                while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
                returned = true;
                return 0;
            },
            &handle));
        ASSERT_TRUE(started.wait());
    }
    EXPECT_TRUE(returned.load());
}
