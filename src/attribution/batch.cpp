#include "attribution/batch.h"

#include "attribution/lookup.h"
#include "attribution/mobile_number.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "ui/batch_window_decl.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace {

// Between two requests to the service.
constexpr int kPauseBetweenRequestsMs = 10;
// The window is told about the contact at hand at most this often when no
// request sets the pace: a change per contact would flood it.
constexpr std::chrono::milliseconds kReportInterval{40};
// Found attributions stored by one statement, at most.
constexpr std::size_t kLargestGroup = 500;
// Rows stored in one transaction, at least (a stop, the end or a request to
// the service commits sooner).
constexpr std::size_t kRowsPerCommit = 10000;

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

}  // namespace

ControlChangeSink PostedToUiThread(QObject* receiver, std::function<void(const ControlChange&)> apply) {
    return [receiver, apply = std::move(apply)](const ControlChange& change) {
        QMetaObject::invokeMethod(
            receiver, [apply, change] { apply(change); }, Qt::QueuedConnection);
    };
}

namespace {

// A contact whose attribution is found but not yet stored.
struct Found {
    int position = 0;
    Text key;  // field 0
    Text name;
    Text number;
    Text attribution;    // empty: no source could place it
    bool write = false;  // differs from what is stored
};

bool isKey(const Text& key) {
    return !key.empty() && key.size() < 20 &&
           std::all_of(key.bytes().begin(), key.bytes().end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Stores one found attribution through the record set. A shared book refuses
// a row another desktop changed since it was read: the row is read again, and
// one that holds the attribution already (the other desktop's batch stored
// it) is done; otherwise it is written once more on the new read.
bool storeOne(const Found& f, RecordSet& contacts) {
    if (!contacts.MoveTo(f.position)) return false;
    if (store_attribution(contacts, f.attribution)) return true;
    if (contacts.LastConflict() != RecordSet::RowConflict::kChangedElsewhere || !contacts.RereadRecord(f.position))
        return false;
    if (contacts.ReadText(T("归属地")) == f.attribution) return true;
    return store_attribution(contacts, f.attribution);
}

// Stores a group of found attributions: one statement for the whole group
// when the book takes it, else row by row through the record set, so that a
// row the book refuses is known. Returns, in order, whether each was stored.
std::vector<bool> storeGroup(const std::vector<Found>& group, RecordSet& contacts, DBConnection* book) {
    std::vector<std::pair<Text, Text>> writes;
    bool keyed = book != nullptr;
    for (const Found& f : group) {
        if (!f.write) continue;
        keyed = keyed && isKey(f.key);
        writes.emplace_back(f.key, f.attribution);
    }
    const bool together = !writes.empty() && keyed && book->ExecuteSql(StoreAttributionsSql(writes));
    std::vector<bool> stored;
    for (const Found& f : group) {
        if (f.attribution.empty()) stored.push_back(false);
        else if (!f.write || together) stored.push_back(true);
        else stored.push_back(storeOne(f, contacts));
    }
    return stored;
}

}  // namespace

int run_attribution_batch(BatchRun& run, std::stop_token cancel) {
    auto& report = run.changes;
    RecordSet& contacts = *run.contacts;
    const bool askService = !run.serviceAddress.empty();

    // The flag was cleared when the run was started; clearing it again here
    // would lose a stop pressed in the instant before the thread got going.
    report(textChange(BatchControls::FailureLog, Text()));
    const int count = contacts.RecordCount();
    report({ControlChange::Kind::SetMaximum, nameOf(BatchControls::Progress), Text(), count});

    // Offline a contact takes microseconds: found attributions are stored
    // in groups, one statement each, and the window is told about the group's
    // last contact. A contact asked of the service is a group of its own,
    // stored before the next fetch may keep the run waiting.
    Throttle throttle;
    std::vector<Found> group;
    int failures = 0;
    // The groups are also committed together, so that the file is synced
    // once for thousands of rows rather than once per group.
    bool inTransaction = false;
    std::size_t uncommitted = 0;
    const auto commit = [&] {
        if (inTransaction) (void)run.book->CommitTrans();
        inTransaction = false;
        uncommitted = 0;
    };
    const auto storeAndShow = [&] {
        if (group.empty()) return;
        if (!inTransaction && run.book) inTransaction = run.book->BeginTrans();
        const std::vector<bool> stored = storeGroup(group, contacts, run.book);
        uncommitted += group.size();
        if (uncommitted >= kRowsPerCommit) commit();
        Text log;
        const int before = failures;
        for (std::size_t g = 0; g < group.size(); ++g) {
            if (stored[g]) continue;
            ++failures;
            log += T("\r\n") + TextOf(failures) + T(".  未能获取→   ") + group[g].name + T("   ") + group[g].number +
                   T("\r\n");
        }
        const Found& last = group.back();
        report(textChange(BatchControls::NameLabel, last.name));
        report(textChange(BatchControls::NumberLabel, last.number));
        report(textChange(BatchControls::AttributionLabel, last.attribution));
        if (failures > before) {
            report(textChange(BatchControls::FailureCount, T("有") + TextOf(failures) + T("个号码未能获取")));
            report({ControlChange::Kind::AppendText, nameOf(BatchControls::FailureLog), log, 0});
        }
        group.clear();
    };

    int completed = 0;
    int positionShown = 0;
    for (int i = 1; i <= count; ++i) {
        contacts.MoveTo(i - 1);
        Found f;
        f.position = i - 1;
        f.key = contacts.ReadText(0);
        f.name = contacts.ReadText(T("姓名"));
        f.number = contacts.ReadText(T("手机"));
        f.attribution = offline_attribution(f.number, run.segments);
        bool asked = false;
        if (askService && !mainland_mobile_digits(f.number).empty()) {
            asked = true;
            if (Text answer = lookup_attribution(f.number, run.serviceAddress, cancel); !answer.empty())
                f.attribution = std::move(answer);
        }
        // Left alone when it holds the attribution already.
        f.write = !f.attribution.empty() && contacts.ReadText(T("归属地")) != f.attribution;
        group.push_back(std::move(f));

        const bool shown = asked || i == count || group.size() >= kLargestGroup || throttle.due();
        if (shown) storeAndShow();
        // Nothing waits uncommitted while the next fetch may take seconds.
        if (asked) commit();
        if (asked) Delay(kPauseBetweenRequestsMs);
        if (stopWanted(run, cancel)) break;
        completed = i;
        if (shown) {
            report(textChange(BatchControls::ProgressText, T("正在获取第") + TextOf(i) + T(" 个号码")));
            report({ControlChange::Kind::SetPosition, nameOf(BatchControls::Progress), Text(), i});
            positionShown = i;
        }
    }
    // What a stop left unstored and unshown.
    storeAndShow();
    commit();
    if (completed > positionShown) {
        report(textChange(BatchControls::ProgressText, T("正在获取第") + TextOf(completed) + T(" 个号码")));
        report({ControlChange::Kind::SetPosition, nameOf(BatchControls::Progress), Text(), completed});
    }

    report(textChange(BatchControls::ProgressText,
                      stopWanted(run, cancel) ? T("获取已停止！！！") : T("获取已完成！！！")));
    if (failures > 0) report({ControlChange::Kind::SetWindowHeight, Text(), Text(), kBatchWindowFullHeight});
    run.stopRequested->store(1);
    report({ControlChange::Kind::SetCaption, nameOf(BatchControls::StartStop), T("开始获取"), 0});
    return failures;
}

AttributionBatch::AttributionBatch(ControlChangeSink changes) : changes_(std::move(changes)) {}

AttributionBatch::~AttributionBatch() { stop_and_wait(); }

bool AttributionBatch::start(RecordSet& contacts, const Text& serviceAddress, CarrierSegments segments,
                             DBConnection* book) {
    if (worker_.running()) return false;
    stopRequested_ = 0;
    BatchRun run{&contacts, serviceAddress, std::move(segments), book, &stopRequested_, changes_};
    bool started =
        start_thread([run](std::stop_token cancel) mutable { return run_attribution_batch(run, cancel); }, &worker_);
    if (!started) stopRequested_ = 1;
    return started;
}

void AttributionBatch::request_stop() { stopRequested_ = 1; }

void AttributionBatch::stop_and_wait() {
    stopRequested_ = 1;
    (void)end_thread(worker_);
}
