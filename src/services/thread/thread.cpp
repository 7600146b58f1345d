#include "services/thread/thread.h"

#include <system_error>
#include <utility>

bool start_thread(ThreadRoutine routine, ThreadHandle* handle) {
    if (!routine) return false;
    if (handle && handle->running()) return false;  // two workers would share the caller's state
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread;
    try {
        thread = std::jthread([routine = std::move(routine), finished](std::stop_token stop) {
            try {
                (void)routine(stop);
            } catch (...) {
                // An escaping exception ends the thread, not the program.
            }
            finished->store(true);
        });
    } catch (const std::system_error&) {
        if (handle) *handle = ThreadHandle();
        return false;
    }
    if (!handle) {
        thread.detach();
        return true;
    }
    handle->thread_ = std::move(thread);  // joins a finished predecessor, if any
    handle->finished_ = std::move(finished);
    return true;
}

bool end_thread(ThreadHandle& handle) {
    if (handle.empty()) return false;
    handle.thread_.request_stop();
    if (handle.thread_.get_id() == std::this_thread::get_id()) return true;
    handle.thread_.join();
    handle.thread_ = std::jthread();
    handle.finished_.reset();
    return true;
}
