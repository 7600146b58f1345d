#pragma once
// The batch attribution run: walks every contact of a record set on a worker
// thread, finds each mobile number's attribution (offline, refined by the
// lookup service when one is configured) and stores it.
//
// The worker never touches a widget. Every change it wants on the batch
// window is a ControlChange handed to a sink; the window's sink posts it to
// the user-interface thread (PostedToUiThread) and applies it there by the
// control's declared name.

#include "attribution/carrier.h"
#include "services/core/text.h"
#include "services/thread/thread.h"
#include "ui/batch_window_decl.h"

#include <atomic>
#include <functional>
#include <stop_token>
#include <string_view>

class DBConnection;
class QObject;
class RecordSet;

// The window's height with the failure log showing.
inline constexpr int kBatchWindowFullHeight = 404;

// One change to a control of the batch window.
struct ControlChange {
    enum class Kind {
        SetText,          // control's text = text
        AppendText,       // control's text += text
        SetCaption,       // button caption = text
        SetMaximum,       // progress bar maximum = number
        SetPosition,      // progress bar position = number
        SetWindowHeight,  // the window's height = number (control is empty)
    };
    Kind kind = Kind::SetText;
    Text control;  // declared name (BatchControls, as Text); empty for the window
    Text text;
    int number = 0;

    friend bool operator==(const ControlChange&, const ControlChange&) = default;
};

// Receives the worker's changes, in order, on the worker thread. It must not
// block on the user-interface thread (which may be waiting for the worker).
using ControlChangeSink = std::function<void(const ControlChange&)>;

// A sink that posts each change to `receiver`'s thread and runs `apply` there,
// in order. `receiver` must outlive the worker (the window ends the worker
// before it goes).
ControlChangeSink PostedToUiThread(QObject* receiver, std::function<void(const ControlChange&)> apply);

// What a run works on. `stopRequested`: 1 = stop wanted (or no run active),
// 0 = the run may go on; read once per number.
struct BatchRun {
    RecordSet* contacts = nullptr;  // open on 通讯录 (姓名 ASC); used only by the worker during the run
    Text serviceAddress;            // empty: offline only
    CarrierSegments segments;       // the book's 所属网络, read before the run
    DBConnection* book = nullptr;   // the contacts' connection: offline, groups are stored through it
    std::atomic<int>* stopRequested = nullptr;
    ControlChangeSink changes;
};

// The worker's routine: every contact in turn gets its offline attribution;
// with a service configured, each mobile number is also asked, one fetch
// after the other with a 10 ms pause, and a found answer wins. The
// attribution is written into 归属地 (left alone when it holds it already);
// a contact that no source could place (or whose row the book refuses) is
// counted and logged. With a service every row is stored at once; offline,
// rows are stored in groups (one statement for up to 500 rows or 40 ms of
// work, committed every 10,000 rows and at the end) and the window is told
// what happens once per group, so a large book takes seconds, not minutes. Stops after the current number when
// *stopRequested is 1 or `cancel` is requested (the fetch in progress is cut
// short only by `cancel`); what was found is stored. The caller clears
// *stopRequested before the run starts; the run sets it to 1 when it ends.
// Returns the number of failures.
int run_attribution_batch(BatchRun& run, std::stop_token cancel = {});

// The batch state the window keeps: the stop flag and the worker's handle.
class AttributionBatch {
public:
    explicit AttributionBatch(ControlChangeSink changes);
    // Stops a running worker and waits for it.
    ~AttributionBatch();
    AttributionBatch(const AttributionBatch&) = delete;
    AttributionBatch& operator=(const AttributionBatch&) = delete;

    // Starts a run over `contacts` (see BatchRun). Refused (false) while a
    // worker is still running, even one only finishing its last number after a stop.
    bool start(RecordSet& contacts, const Text& serviceAddress, CarrierSegments segments, DBConnection* book = nullptr);
    // The stop button: the worker ends after the number it is working on.
    void request_stop();
    // The window is going: stop, cut the fetch in progress short, and wait
    // until the worker has ended. Whatever it found so far is stored.
    void stop_and_wait();
    bool running() const { return worker_.running(); }
    int stop_requested() const { return stopRequested_.load(); }

private:
    ControlChangeSink changes_;
    std::atomic<int> stopRequested_{0};
    ThreadHandle worker_;
};
