#include "attribution/batch.h"

#include "attribution/lookup.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/system/system.h"

#include <QMetaObject>
#include <QObject>

namespace {

constexpr int kPauseBetweenNumbersMs = 10;

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

    // The flag was cleared when the run was started; clearing it again here
    // would lose a stop pressed in the instant before the thread got going.
    report(textChange(kFailureLog, Text()));
    const int count = contacts.RecordCount();
    report({ControlChange::Kind::SetMaximum, nameOf(kProgress), Text(), count});

    int failures = 0;
    for (int i = 1; i <= count; ++i) {
        contacts.MoveTo(i - 1);
        Text name = contacts.ReadText(T("姓名"));
        Text number = contacts.ReadText(T("手机"));
        report(textChange(kName, name));
        report(textChange(kNumber, number));

        Text found = lookup_attribution(number, run.serviceAddress, cancel);
        report(textChange(kAttribution, found));
        // Stored at once, so a stop, a closed window or a crash later loses
        // nothing; a write the book refuses counts as not obtained.
        bool stored = !found.empty() && contacts.WriteText(T("归属地"), found) && contacts.Update();
        if (!stored) {
            ++failures;
            report(textChange(kFailureCount, T("有") + TextOf(failures) + T("个号码未能获取")));
            report({ControlChange::Kind::AppendText, nameOf(kFailureLog),
                  T("\r\n") + TextOf(failures) + T(".  未能获取→   ") + name + T("   ") + number + T("\r\n"), 0});
        }

        Delay(kPauseBetweenNumbersMs);
        if (stopWanted(run, cancel)) break;
        report(textChange(kProgressText, T("正在获取第") + TextOf(i) + T(" 个号码")));
        report({ControlChange::Kind::SetPosition, nameOf(kProgress), Text(), i});
    }

    report(textChange(kProgressText, stopWanted(run, cancel) ? T("获取已停止！！！") : T("获取已完成！！！")));
    if (failures > 0) report({ControlChange::Kind::SetWindowHeight, Text(), Text(), kBatchWindowFullHeight});
    run.stopRequested->store(1);
    report({ControlChange::Kind::SetCaption, nameOf(kStartStop), T("开始获取"), 0});
    return failures;
}

AttributionBatch::AttributionBatch(ControlChangeSink changes) : changes_(std::move(changes)) {}

AttributionBatch::~AttributionBatch() { stop_and_wait(); }

bool AttributionBatch::start(RecordSet& contacts, const Text& serviceAddress) {
    if (worker_.running()) return false;
    stopRequested_ = 0;
    BatchRun run{&contacts, serviceAddress, &stopRequested_, changes_};
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
