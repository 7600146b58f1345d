#include "attribution/service_refinement.h"

#include "attribution/lookup.h"
#include "services/thread/thread.h"

#include <QMetaObject>

#include <list>
#include <mutex>
#include <stop_token>

struct ServiceRefinement::Question {
    std::stop_source stop;
    std::mutex mutex;                    // guards asker against the worker's post
    ServiceRefinement* asker = nullptr;  // cleared when the question is withdrawn
    Found found;                         // used on the asker's thread only
};

namespace {

// The request threads, so that the program can wait for them at exit. A
// finished one is dropped when the next starts.
class RequestThreads {
public:
    void add(ThreadRoutine routine) {
        std::lock_guard lock(mutex_);
        threads_.remove_if([](const ThreadHandle& t) { return !t.running(); });
        ThreadHandle handle;
        if (start_thread(std::move(routine), &handle)) threads_.push_back(std::move(handle));
    }
    void endAll() {
        std::list<ThreadHandle> ending;
        {
            std::lock_guard lock(mutex_);
            ending.swap(threads_);
        }
        for (ThreadHandle& t : ending) (void)end_thread(t);
    }

private:
    std::mutex mutex_;
    std::list<ThreadHandle> threads_;
};

RequestThreads& requestThreads() {
    static RequestThreads threads;
    return threads;
}

}  // namespace

ServiceRefinement::ServiceRefinement(QObject* parent) : QObject(parent) {}

ServiceRefinement::~ServiceRefinement() { withdraw(); }

void ServiceRefinement::ask(const Text& number, const Text& serviceAddress, Found found) {
    withdraw();
    auto question = std::make_shared<Question>();
    question->asker = this;
    question->found = std::move(found);
    open_ = question;
    requestThreads().add([question, number, serviceAddress](std::stop_token ending) {
        // Ending the thread (program exit) cuts the fetch short too.
        std::stop_callback forward(ending, [question] { question->stop.request_stop(); });
        const Text attribution = lookup_attribution(number, serviceAddress, question->stop.get_token());
        std::lock_guard lock(question->mutex);
        // Posted only while the asker lives: it clears itself under this lock before it goes.
        if (ServiceRefinement* asker = question->asker) {
            QMetaObject::invokeMethod(
                asker, [asker, question, attribution] { asker->answered(question, attribution); },
                Qt::QueuedConnection);
        }
        return 0;
    });
}

void ServiceRefinement::withdraw() {
    if (!open_) return;
    {
        std::lock_guard lock(open_->mutex);
        open_->asker = nullptr;
    }
    open_->stop.request_stop();
    open_.reset();
}

void ServiceRefinement::answered(const std::shared_ptr<Question>& question, const Text& attribution) {
    // An answer posted just before its question was withdrawn is dropped here.
    if (question != open_) return;
    open_.reset();
    Found found = std::move(question->found);
    if (found && !attribution.empty()) found(attribution);
}

void end_service_requests() { requestThreads().endAll(); }
