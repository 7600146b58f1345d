#pragma once
// Worker threads. No thread is ever killed: "ending" a thread asks it to stop
// and waits for its routine to return. The routine receives a stop token and
// is expected to look at it between steps of its work (with any stop flag of
// its own), and to return soon after a stop has been requested.

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

// The entry routine of a worker thread. Its parameter, if it needs one, is
// captured by the callable; its result (an exit code) is not kept.
using ThreadRoutine = std::function<int(std::stop_token)>;

// Owns a started thread. Destroying (or reassigning) a handle ends its thread
// as end_thread does, so a thread can never outlive the object that owns it.
class ThreadHandle {
public:
    ThreadHandle() = default;
    ~ThreadHandle() = default;  // the jthread requests stop and joins
    ThreadHandle(ThreadHandle&&) noexcept = default;
    ThreadHandle& operator=(ThreadHandle&&) noexcept = default;

    // True when the handle was never given a thread (or its thread was ended).
    bool empty() const { return !thread_.joinable(); }
    // True from the start until the routine has returned.
    bool running() const { return finished_ && !finished_->load(); }

private:
    friend bool start_thread(ThreadRoutine routine, ThreadHandle* handle);
    friend bool end_thread(ThreadHandle& handle);

    std::jthread thread_;
    std::shared_ptr<std::atomic<bool>> finished_;
};

// Starts `routine` on a new thread, which runs at once. With a handle, the
// handle owns the thread; a handle whose thread is still running is refused
// (false, handle untouched), one whose thread has finished is reused. Without
// a handle the thread runs on by itself and cannot be waited for. False when
// no thread could be created (the handle is then left empty).
bool start_thread(ThreadRoutine routine, ThreadHandle* handle = nullptr);

// Ends a thread: requests its stop and waits until its routine has returned;
// the handle is empty afterwards. A thread that has already finished is just
// joined. Called from the thread itself it only requests the stop (a thread
// cannot wait for itself); the routine then returns by itself. False for an
// empty handle.
bool end_thread(ThreadHandle& handle);
