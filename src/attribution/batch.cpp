#include "attribution/batch.h"

#include "attribution/lookup.h"
#include "attribution/mobile_number.h"
#include "services/core/core.h"
#include "services/db/batched_writes.h"
#include "services/db/record_set.h"
#include "services/system/system.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>

namespace {

// Between two requests to the service.
constexpr int kPauseBetweenRequestsMs = 10;
// The window is told about the contact at hand at most this often when no
// request sets the pace: a change per contact would flood it.
constexpr std::chrono::milliseconds kReportInterval{40};

class Throttle {
public:
    // True at the first call and then once kReportInterval has passed since the last true.
    bool due() {
        const auto now = std::chrono::steady_clock::now();
        if (started_ && now - last_ < kReportInterval) return false;
        started_ = true;
        last_ = now;
        return true;
    }

private:
    bool started_ = false;
    std::chrono::steady_clock::time_point last_;
};

Text nameOf(std::string_view control) { return Text::fromUtf8(control); }

ControlChange textChange(std::string_view control, const Text& text) {
    return {ControlChange::Kind::SetText, nameOf(control), text, 0};
}

bool stopWanted(const BatchRun& run, const std::stop_token& cancel) {
    return run.stopRequested->load() == 1 || cancel.stop_requested();
}

} // namespace

ControlChangeSink PostedToUiThread(QObject* receiver, std::function<void(const ControlChange&)> apply) {
    return [receiver, apply = std::move(apply)](const ControlChange& change) {
        QMetaObject::invokeMethod(receiver, [apply, change] { apply(change); }, Qt::QueuedConnection);
    };
}

int run_attribution_batch(BatchRun& run, std::stop_token cancel) {
    using batch_control::kAttribution, batch_control::kFailureCount, batch_control::kFailureLog,
        batch_control::kName, batch_control::kNumber, batch_control::kProgress, batch_control::kProgressText,
        batch_control::kStartStop;
    auto& report = run.changes;
    RecordSet& contacts = *run.contacts;
    const bool askService = !run.serviceAddress.empty();

    // The flag was cleared when the run was started; clearing it again here
    // would lose a stop pressed in the instant before the thread got going.
    report(textChange(kFailureLog, Text()));
    const int count = contacts.RecordCount();
    report({ControlChange::Kind::SetMaximum, nameOf(kProgress), Text(), count});

    // Offline, a row takes microseconds: one sync of the file per row
    // would be nearly all of the time. With a service every row is
    // stored at once, before the next fetch may keep the run waiting.
    BatchedWrites writes(askService ? nullptr : run.book);
    Throttle throttle;
    int failures = 0;
    int failuresShown = 0;
    Text unshownLog;
    int completed = 0;
    int positionShown = 0;
    for (int i = 1; i <= count; ++i) {
        contacts.MoveTo(i - 1);
        const Text name = contacts.ReadText(T("姓名"));
        const Text number = contacts.ReadText(T("手机"));

        Text found = offline_attribution(number, run.segments);
        bool asked = false;
        if (askService && !mainland_mobile_digits(number).empty()) {
            asked = true;
            if (Text answer = lookup_attribution(number, run.serviceAddress, cancel); !answer.empty())
                found = std::move(answer);
        }
        // Stored at once (or in the current group); a write the book
        // refuses counts as not obtained.
        bool stored = !found.empty() && contacts.ReadText(T("归属地")) == found;
        if (!found.empty() && !stored) {
            stored = store_attribution(contacts, found);
            if (stored) writes.rowWritten();
        }
        if (!stored) {
            ++failures;
            unshownLog += T("\r\n") + TextOf(failures) + T(".  未能获取→   ") + name + T("   ") + number + T("\r\n");
        }

        const bool shown = asked || i == count || throttle.due();
        if (shown) {
            report(textChange(kName, name));
            report(textChange(kNumber, number));
            report(textChange(kAttribution, found));
        }
        if (shown && failures > failuresShown) {
            report(textChange(kFailureCount, T("有") + TextOf(failures) + T("个号码未能获取")));
            report({ControlChange::Kind::AppendText, nameOf(kFailureLog), unshownLog, 0});
            failuresShown = failures;
            unshownLog = Text();
        }

        if (asked) Delay(kPauseBetweenRequestsMs);
        if (stopWanted(run, cancel)) break;
        completed = i;
        if (shown) {
            report(textChange(kProgressText, T("正在获取第") + TextOf(i) + T(" 个号码")));
            report({ControlChange::Kind::SetPosition, nameOf(kProgress), Text(), i});
            positionShown = i;
        }
    }
    // What the throttle held back when a stop ended the run.
    if (failures > failuresShown) {
        report(textChange(kFailureCount, T("有") + TextOf(failures) + T("个号码未能获取")));
        report({ControlChange::Kind::AppendText, nameOf(kFailureLog), unshownLog, 0});
    }
    if (completed > positionShown) {
        report(textChange(kProgressText, T("正在获取第") + TextOf(completed) + T(" 个号码")));
        report({ControlChange::Kind::SetPosition, nameOf(kProgress), Text(), completed});
    }
    writes.finish();

    report(textChange(kProgressText, stopWanted(run, cancel) ? T("获取已停止！！！") : T("获取已完成！！！")));
    if (failures > 0) report({ControlChange::Kind::SetWindowHeight, Text(), Text(), kBatchWindowFullHeight});
    run.stopRequested->store(1);
    report({ControlChange::Kind::SetCaption, nameOf(kStartStop), T("开始获取"), 0});
    return failures;
}

AttributionBatch::AttributionBatch(ControlChangeSink changes) : changes_(std::move(changes)) {}

AttributionBatch::~AttributionBatch() { stop_and_wait(); }

bool AttributionBatch::start(RecordSet& contacts, const Text& serviceAddress, CarrierSegments segments,
                             DBConnection* book) {
    if (worker_.running()) return false;
    stopRequested_ = 0;
    BatchRun run{&contacts, serviceAddress, std::move(segments), book, &stopRequested_, changes_};
    bool started = start_thread([run](std::stop_token cancel) mutable { return run_attribution_batch(run, cancel); },
                                &worker_);
    if (!started) stopRequested_ = 1;
    return started;
}

void AttributionBatch::request_stop() { stopRequested_ = 1; }

void AttributionBatch::stop_and_wait() {
    stopRequested_ = 1;
    (void)end_thread(worker_);
}
