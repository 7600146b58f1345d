#pragma once
// The batch attribution window's procedures: the window walks every contact
// (its own record set 记录集3 on the main window's connection, in name order)
// and finds each mobile number's attribution on a worker thread: offline, then
// from the lookup service when one is configured. The worker only posts
// control changes; they are applied here, on the user's thread.

#include "attribution/batch.h"
#include "services/window/window.h"
#include "ui/program_state.h"

#include <memory>

// What the window keeps while it is open.
struct BatchWindowSession {
    // The live window, shared with the changes queued for it: cleared when
    // the window goes, so a change still queued then is dropped.
    std::shared_ptr<Window*> window = std::make_shared<Window*>(nullptr);
    std::unique_ptr<AttributionBatch> batch;
};

// Loads the batch attribution window, modal; returns when it is closed.
void open_batch_window(ProgramState& state);

// The handlers the window's declaration binds, sharing one session.
HandlerTable batch_window_handlers(ProgramState& state);

// The main window's handler of its menu item "号码归属": opens this window.
HandlerTable batch_menu_handlers(ProgramState& state);

// Created: 记录集3 opened on the contacts in name order, the first contact
// shown, the window shortened so the failure log is hidden; the worker's
// changes wired to apply_batch_change.
void batch_window_created(Window& window, BatchWindowSession& session);
// 按钮_开始获取: "停止" asks the worker to stop after its current number;
// otherwise a run starts, unless a worker is still finishing (then nothing).
void start_or_stop_batch(Window& window, BatchWindowSession& session, const ProgramState& state);
// About to be destroyed: the worker is stopped, its fetch cut short, and
// waited for before the record set and the controls go.
void batch_window_destroying(BatchWindowSession& session);

// Applies one change of the worker to the window's control of that name.
void apply_batch_change(Window& window, const ControlChange& change);
