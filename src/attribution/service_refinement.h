#pragma once
// Asking the lookup service without making anyone wait: the request runs on a
// worker thread, and a found attribution is handed back on the thread of the
// object that asked, unless the question was withdrawn in the meantime. A
// withdrawn question's fetch is cut short; nobody waits for it to end.

#include "services/core/text.h"

#include <QObject>

#include <functional>
#include <memory>

class ServiceRefinement : public QObject {
public:
    using Found = std::function<void(const Text& attribution)>;

    explicit ServiceRefinement(QObject* parent = nullptr);
    // Withdraws the open question.
    ~ServiceRefinement() override;

    // Asks the service at `serviceAddress` for the attribution of `number`
    // (see lookup_attribution); `found` runs later on this object's thread
    // with a non-empty answer, and not at all when the service gives none.
    // A question still open is withdrawn first.
    void ask(const Text& number, const Text& serviceAddress, Found found);
    // Withdraws the open question, if any, without waiting.
    void withdraw();
    // A question is open: asked, neither answered nor withdrawn.
    bool asking() const { return open_ != nullptr; }

private:
    struct Question;
    void answered(const std::shared_ptr<Question>& question, const Text& attribution);

    std::shared_ptr<Question> open_;
};

// Ends every request thread still running, after withdrawing its question:
// for program exit, while the application object still exists. Each ends
// within about a second of being asked to.
void end_service_requests();
