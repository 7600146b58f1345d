#include "attribution/batch_window.h"

#include "attribution/carrier.h"
#include "attribution/lookup.h"
#include "data/address_book.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "ui/batch_window_decl.h"
#include "ui/main_window_decl.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QProgressBar>

namespace {

const Text kRecordSet = T(BatchControls::Contacts);
const Text kStartCaption = T("开始获取");
const Text kStopCaption = T("停止");

Control controlOf(Window& window, std::string_view name) { return window.control(Text::fromUtf8(name)); }

}  // namespace

void apply_batch_change(Window& window, const ControlChange& change) {
    using Kind = ControlChange::Kind;
    if (change.kind == Kind::SetWindowHeight) {
        window.setHeight(change.number);
        return;
    }
    Control control = window.control(change.control);
    switch (change.kind) {
    case Kind::SetText:
    case Kind::SetCaption: control.setText(change.text); break;
    case Kind::AppendText: AppendEditText(control, {change.text}); break;
    case Kind::SetMaximum:
        if (auto* bar = qobject_cast<QProgressBar*>(control.widget())) {
            // A bar whose range is empty turns into an endless busy
            // indicator; an empty book shows an empty bar instead.
            bar->setMaximum(std::max(change.number, bar->minimum() + 1));
            if (change.number <= bar->minimum()) bar->setValue(bar->minimum());
        }
        break;
    case Kind::SetPosition: control.setPosition(change.number); break;
    case Kind::SetWindowHeight: break;
    }
}

void batch_window_created(Window& window, BatchWindowSession& session) {
    *session.window = &window;
    RecordSet* contacts = window.recordSet(kRecordSet);
    DBConnection* connection = MainAddressBook();
    if (contacts && connection && contacts->SetConnection(*connection))
        contacts->OpenTable(ContactsTable(), ContactsByName());

    if (contacts) {
        controlOf(window, BatchControls::NameLabel).setText(contacts->ReadText(T("姓名")));
        controlOf(window, BatchControls::NumberLabel).setText(contacts->ReadText(T("手机")));
    }

    const int logHeight = controlOf(window, BatchControls::FailureLog).height();
    window.setHeight(window.height() - (logHeight + 10));

    session.batch = std::make_unique<AttributionBatch>(
        PostedToUiThread(window.widget(), [target = session.window](const ControlChange& c) {
            if (*target) apply_batch_change(**target, c);
        }));
}

void start_or_stop_batch(Window& window, BatchWindowSession& session, const ProgramState& state) {
    Control button = controlOf(window, BatchControls::StartStop);
    if (!session.batch) return;
    if (button.text() == kStopCaption) {
        session.batch->request_stop();
        button.setText(kStartCaption);
        return;
    }
    // Stopped, but the worker is still finishing its number: two workers
    // would share 记录集3, so this click does nothing.
    if (session.batch->running()) return;
    RecordSet* contacts = window.recordSet(kRecordSet);
    if (!contacts) return;
    // The last worker has ended, but its final changes (caption, status) may
    // still be queued; applied after this start they would undo it.
    QCoreApplication::sendPostedEvents(window.widget(), QEvent::MetaCall);
    button.setText(kStopCaption);
    // The segments as they are now, read here once for the whole run.
    DBConnection* book = MainAddressBook();
    RecordSet carriers;
    CarrierSegments segments =
        book && carriers.SetConnection(*book) ? CarrierSegments::read(carriers) : CarrierSegments();
    if (!session.batch->start(*contacts, attribution_service_address(state.settingsPath), std::move(segments), book))
        button.setText(kStartCaption);
}

void batch_window_destroying(BatchWindowSession& session) {
    if (session.batch) session.batch->stop_and_wait();
    *session.window = nullptr;
}

HandlerTable batch_window_handlers(ProgramState& state) {
    auto session = std::make_shared<BatchWindowSession>();
    return {
        {BatchHandlers::Created, [session](const EventArgs& e) { batch_window_created(e.window, *session); }},
        {BatchHandlers::StartStop,
         [session, &state](const EventArgs& e) { start_or_stop_batch(e.window, *session, state); }},
        {BatchHandlers::Destroying, [session](const EventArgs&) { batch_window_destroying(*session); }},
    };
}

void open_batch_window(ProgramState& state) { LoadWindow(BatchWindowDecl(), batch_window_handlers(state), true); }

HandlerTable batch_menu_handlers(ProgramState& state) {
    return {{MainHandlers::MenuBatch, [&state](const EventArgs&) { open_batch_window(state); }}};
}
