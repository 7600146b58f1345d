#include "services/window/commands.h"

#include "services/window/file_chooser.h"
#include "services/window/window_impl.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>

// ---- registry of loaded windows ----

namespace {
std::vector<std::shared_ptr<Window>>& Registry() {
    static std::vector<std::shared_ptr<Window>> windows;
    return windows;
}
}  // namespace

void RegisterWindow(std::shared_ptr<Window> window) {
    // Windows still loaded when the application ends go with it, not later
    // with the program's statics, when Qt is gone.
    static const bool cleanupAdded = [] {
        qAddPostRoutine([] { Registry().clear(); });
        return true;
    }();
    (void)cleanupAdded;
    Registry().push_back(std::move(window));
}

void UnregisterWindow(Window* window) {
    auto& r = Registry();
    // Erasing may free the window; move it out first so that the caller's
    // stack still holds it while it unwinds.
    auto it = std::find_if(r.begin(), r.end(), [window](const auto& w) { return w.get() == window; });
    if (it == r.end()) return;
    auto keep = std::move(*it);
    r.erase(it);
}

std::shared_ptr<Window> SharedWindow(Window* window) {
    for (const auto& w : Registry())
        if (w.get() == window) return w;
    return nullptr;
}

Window* FindWindow(std::string_view id) {
    // A window held by a running handler after it was closed may have been
    // loaded anew meanwhile: the new one is the one meant.
    Window* closing = nullptr;
    for (const auto& w : Registry()) {
        if (w->id() != id || !w->alive()) continue;
        if (!w->closing()) return w.get();
        if (!closing) closing = w.get();
    }
    return closing;
}

std::vector<Window*> LoadedWindows() {
    std::vector<Window*> result;
    for (const auto& w : Registry())
        if (w->alive()) result.push_back(w.get());
    return result;
}

// ---- load and destroy ----

bool LoadWindow(const WindowDecl& decl, const HandlerTable& handlers, bool modal, const std::string& parentId) {
    Window* parent = nullptr;
    if (!parentId.empty()) {
        parent = FindWindow(parentId);
        if (!parent) return false;
    }
    if (Window* open = FindWindow(decl.id)) {
        if (!open->closing()) {
            QWidget* w = open->widget();
            if (w->isMinimized()) w->showNormal();
            else {
                w->raise();
                w->activateWindow();
            }
            return true;
        }
        open->impl().destroyNow();
    }

    QWidget* owner = parent && !modal ? parent->widget() : nullptr;
    auto window = WindowImpl::create(decl, handlers, owner);
    WindowImpl& impl = window->impl();
    impl.setModal(modal);
    if (owner) impl.setOwner(SharedWindow(parent));
    RegisterWindow(window);
    if (modal) impl.disableOthers();
    impl.start();
    if (modal && window->alive()) {
        QEventLoop loop;
        impl.setLoop(&loop);
        loop.exec();
        impl.setLoop(nullptr);
    }
    return true;
}

void DestroyWindow(Window* window, bool atOnce) {
    if (!window || !window->alive()) return;
    if (atOnce) window->impl().destroyNow();
    else window->impl().postClose();
}

void DestroyWindow(std::string_view id, bool atOnce) { DestroyWindow(FindWindow(id), atOnce); }

// ---- handles, focus, activation ----

QWidget* WindowHandle(Window* window) { return window ? window->widget() : nullptr; }
QWidget* WindowHandle(const Control& control) { return control.widget(); }

void SetFocus(const Control& control) {
    QWidget* w = control.widget();
    if (!w) return;
    // The keyboard focus lives in the active window: giving it to a control
    // activates the control's window, also over a window whose activation is
    // still on its way (one just shown), or the focus stays over there.
    if (QWidget* top = w->window(); top->isVisible()) top->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
}

void SetFocus(Window* window) {
    if (QWidget* w = WindowHandle(window)) {
        w->activateWindow();
        w->setFocus(Qt::OtherFocusReason);
    }
}

void ActivateWindow(Window* window) {
    if (QWidget* w = WindowHandle(window)) {
        w->raise();
        w->activateWindow();
    }
}

// ---- MoveUnit ----

namespace {
QRect Moved(QRect r, std::optional<int> left, std::optional<int> top, std::optional<int> width,
            std::optional<int> height) {
    if (left) r.moveLeft(*left);
    if (top) r.moveTop(*top);
    if (width && *width != -1) r.setWidth(std::max(*width, 0));
    if (height && *height != -1) r.setHeight(std::max(*height, 0));
    return r;
}
}  // namespace

void MoveUnit(const Control& control, std::optional<int> left, std::optional<int> top, std::optional<int> width,
              std::optional<int> height) {
    QWidget* w = control.widget();
    if (!w) return;
    const QRect now = w->geometry();
    const QRect next = Moved(now, left, top, width, height);
    if (next == now) return;
    w->setGeometry(next);
    w->update();
}

void MoveUnit(Window* window, std::optional<int> left, std::optional<int> top, std::optional<int> width,
              std::optional<int> height) {
    if (!window || !window->alive()) return;
    const QRect now(window->left(), window->top(), window->width(), window->height());
    const QRect next = Moved(now, left, top, width, height);
    if (next == now) return;
    window->move(next.left(), next.top(), next.width(), next.height());
    window->widget()->update();
}

// ---- PopupMenu ----

namespace {
void AddItems(QMenu& menu, const std::vector<MenuItemDecl>& items, WindowImpl* impl, std::string* chosen,
              Text* chosenCaption) {
    for (const auto& item : items) {
        if (!item.items.empty()) {
            QMenu* sub = menu.addMenu(item.caption.toQString());
            sub->setEnabled(item.enabled);
            AddItems(*sub, item.items, impl, chosen, chosenCaption);
            continue;
        }
        QAction* action = menu.addAction(item.caption.toQString());
        action->setEnabled(item.enabled);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        const std::string handler = item.handler;
        const Text caption = item.caption;
        QObject::connect(action, &QAction::triggered, &menu, [chosen, chosenCaption, handler, caption] {
            *chosen = handler;
            *chosenCaption = caption;
        });
    }
}
}  // namespace

void PopupMenu(Window* window, const Text& menu, std::optional<int> x, std::optional<int> y) {
    if (!window || !window->alive()) return;
    const MenuDecl* decl = nullptr;
    for (const auto& m : window->decl().menus)
        if (m.name == menu) decl = &m;
    if (!decl) return;

    // Not a child of the window: a window destroyed while its menu is open
    // must not take the menu with it.
    QMenu popup;
    std::string chosen;
    Text chosenCaption;
    AddItems(popup, decl->items, &window->impl(), &chosen, &chosenCaption);
    QPoint at = QCursor::pos() + QPoint(3, 3);
    if (x) at.setX(*x);
    if (y) at.setY(*y);
    popup.exec(at);
    if (chosen.empty()) return;
    // The choice reaches the window as a posted click, after the caller's
    // handler returned, as a menu command does.
    auto shared = SharedWindow(window);
    std::weak_ptr<Window> weak = shared;
    QMetaObject::invokeMethod(
        &window->impl(),
        [weak, chosen, chosenCaption] {
            if (auto w = weak.lock(); w && w->alive()) w->impl().runMenuHandler(chosen, chosenCaption);
        },
        Qt::QueuedConnection);
}

// ---- ShowCommonDialog ----

namespace {
CommonDialog* DialogOf(const Control& control) {
    Window* window = control.window();
    return window && control.kind() == ControlKind::CommonDlg ? window->dialog(control.name()) : nullptr;
}

bool HasExtension(const Text& path) {
    const std::string& b = path.bytes();
    const std::size_t slash = b.find_last_of('/');
    const std::size_t dot = b.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}
}  // namespace

bool ShowCommonDialog(const Control& control) {
    CommonDialog* dialog = DialogOf(control);
    if (!dialog || (dialog->kind != CommonDialog::kOpenFile && dialog->kind != CommonDialog::kSaveFile)) return false;
    FileRequest request;
    request.save = dialog->kind == CommonDialog::kSaveFile;
    request.title = dialog->title;
    request.filters = ParseFileFilter(dialog->filter);
    if (!request.filters.empty()) {
        const int index = std::max(dialog->filterIndex, 0);
        request.filterIndex = index < static_cast<int>(request.filters.size()) ? index : 0;
    }
    request.folder = dialog->folder;
    request.defaultExtension = dialog->defaultExtension;
    request.fileName = dialog->fileName;
    auto chosen = CurrentFileChooser()->choose(request);
    if (!chosen || chosen->empty()) return false;
    Text path = *chosen;
    // The default extension names a file about to be written; a file being
    // opened is the one the user chose, extension or not.
    if (request.save && !request.defaultExtension.empty() && !HasExtension(path))
        path += Text::fromBytes(".") + request.defaultExtension;
    // The dialog control may be gone if the chooser let the window close.
    if (CommonDialog* still = DialogOf(control)) {
        still->fileName = path;
        return true;
    }
    return false;
}

// ---- edit boxes ----

void AppendEditText(const Control& edit, std::initializer_list<Text> texts) {
    QWidget* w = edit.widget();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        for (const auto& t : texts) {
            // setText drops the undo history, as appending does.
            line->setText(line->text() + t.toQString());
            line->end(false);
        }
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(w)) {
        for (const auto& t : texts) {
            area->setUndoRedoEnabled(false);
            QTextCursor cursor = area->textCursor();
            cursor.movePosition(QTextCursor::End);
            area->setTextCursor(cursor);
            area->ensureCursorVisible();
            area->insertPlainText(t.toQString());
            area->setUndoRedoEnabled(true);
            area->ensureCursorVisible();
        }
    }
}

// ---- combo boxes ----

namespace {
QComboBox* ComboOf(const Control& control) { return qobject_cast<QComboBox*>(control.widget()); }
}  // namespace

int ComboCount(const Control& combo) {
    QComboBox* c = ComboOf(combo);
    return c ? c->count() : 0;
}

Text ComboItemText(const Control& combo, int index) {
    QComboBox* c = ComboOf(combo);
    if (!c || index < 0 || index >= c->count()) return {};
    return Text::fromQString(c->itemText(index));
}

int ComboAddItem(const Control& combo, const Text& text, int itemData) {
    QComboBox* c = ComboOf(combo);
    if (!c || c->count() >= c->maxCount()) return -1;
    // Adding never chooses an item; Qt would make the first item of an empty
    // list the current one, over a typed text too.
    const int current = c->currentIndex();
    const QString typed = c->currentText();
    c->addItem(text.toQString(), itemData);
    if (current < 0 && c->currentIndex() >= 0) {
        c->setCurrentIndex(-1);
        if (c->isEditable()) c->setEditText(typed);
    }
    return c->count() - 1;
}

int ComboItemData(const Control& combo, int index) {
    QComboBox* c = ComboOf(combo);
    if (!c || index < 0 || index >= c->count()) return 0;
    return c->itemData(index).toInt();
}

bool ComboDeleteItem(const Control& combo, int index) {
    QComboBox* c = ComboOf(combo);
    if (!c || index < 0 || index >= c->count()) return false;
    c->removeItem(index);
    return true;
}

void ComboClear(const Control& combo) {
    if (QComboBox* c = ComboOf(combo)) c->clear();
}
