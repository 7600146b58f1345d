#include "services/window/window.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/controls/image_button.h"
#include "services/window/controls/transparent_label.h"
#include "services/window/fonts.h"
#include "services/window/report_list.h"
#include "services/window/window_impl.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <set>

std::vector<std::string> MissingHandlers(const WindowDecl& decl, const HandlerTable& handlers) {
    std::vector<std::string> missing;
    std::set<std::string> seen;
    auto check = [&](const std::string& name) {
        if (name.empty() || handlers.count(name) || seen.count(name)) return;
        seen.insert(name);
        missing.push_back(name);
    };
    for (const auto& b : decl.events) check(b.handler);
    for (const auto& c : decl.controls)
        for (const auto& b : c.events) check(b.handler);
    std::function<void(const std::vector<MenuItemDecl>&)> items = [&](const std::vector<MenuItemDecl>& list) {
        for (const auto& item : list) {
            check(item.handler);
            items(item.items);
        }
    };
    for (const auto& m : decl.menus) items(m.items);
    return missing;
}

// ---- WindowHold ----

WindowHold::WindowHold(Window* window) {
    // Owners outlive the windows they own: they are held as well.
    for (auto w = window ? window->impl().shared() : nullptr; w && w->alive(); w = w->impl().owner()) {
        w->impl().hold();
        held_.push_back(w);
    }
}

WindowHold::~WindowHold() {
    // The held window first, then its owners, which destroy what they own.
    for (auto& w : held_) w->impl().release();
    // A window that release destroyed may still be on the stack of whoever
    // raised the event (its own event filter, say): the object itself goes
    // when the event loop next runs, not here.
    for (auto& w : held_)
        if (!w->alive()) QTimer::singleShot(0, [keep = std::move(w)] {});
}

// ---- Window ----

Window::Window(std::unique_ptr<WindowImpl> impl) : impl_(std::move(impl)) {}
Window::~Window() = default;

const std::string& Window::id() const { return impl_->decl().id; }
const WindowDecl& Window::decl() const { return impl_->decl(); }
bool Window::alive() const { return impl_->alive(); }
bool Window::closing() const { return impl_->closing(); }
bool Window::modal() const { return impl_->modal(); }
QWidget* Window::widget() const { return impl_->alive() ? impl_->widget() : nullptr; }

Control Window::control(const Text& name) const { return Control(impl_->find(name)); }

std::vector<Control> Window::controls() const {
    std::vector<Control> result;
    if (!impl_->alive()) return result;
    for (const auto& r : impl_->records()) result.emplace_back(r);
    return result;
}

int Window::left() const { return widget() ? widget()->frameGeometry().x() : 0; }
int Window::top() const { return widget() ? widget()->frameGeometry().y() : 0; }
int Window::width() const { return widget() ? widget()->frameGeometry().width() : 0; }
int Window::height() const { return widget() ? widget()->frameGeometry().height() : 0; }
void Window::setLeft(int v) { move(v, top(), width(), height()); }
void Window::setTop(int v) { move(left(), v, width(), height()); }
void Window::setWidth(int v) { move(left(), top(), v, height()); }
void Window::setHeight(int v) { move(left(), top(), width(), v); }

void Window::move(int left, int top, int width, int height) {
    QWidget* w = widget();
    if (!w) return;
    if (width != this->width() || height != this->height()) impl_->resizeOuter(width, height);
    if (left != this->left() || top != this->top()) w->move(left, top);
}

bool Window::visible() const { return widget() && widget()->isVisible(); }
void Window::setVisible(bool visible) {
    if (QWidget* w = widget()) w->setVisible(visible);
}
Text Window::title() const { return widget() ? Text::fromQString(widget()->windowTitle()) : Text(); }
void Window::setTitle(const Text& title) {
    if (QWidget* w = widget()) w->setWindowTitle(title.toQString());
}

void Window::moveToCentre() {
    QWidget* w = widget();
    if (!w) return;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w->move(screen.center() - QPoint(width() / 2, height() / 2));
}

namespace {
template <typename T>
T* WidgetAs(const WindowImpl& impl, const Text& name) {
    auto r = impl.find(name);
    return r ? qobject_cast<T*>(r->widget.data()) : nullptr;
}
template <typename T>
T* ObjectAs(const WindowImpl& impl, const Text& name) {
    auto r = impl.find(name);
    return r ? qobject_cast<T*>(r->object.data()) : nullptr;
}
// The object a non-visual control's record owns.
template <auto Member>
auto Owned(const WindowImpl& impl, const Text& name) {
    auto r = impl.find(name);
    return r ? ((*r).*Member).get() : nullptr;
}
}  // namespace

ReportList* Window::list(const Text& name) const { return WidgetAs<ReportList>(*impl_, name); }
QComboBox* Window::combo(const Text& name) const { return WidgetAs<QComboBox>(*impl_, name); }
ImageButton* Window::imageButton(const Text& name) const { return WidgetAs<ImageButton>(*impl_, name); }
TransparentLabel* Window::transparentLabel(const Text& name) const { return WidgetAs<TransparentLabel>(*impl_, name); }
HtmlBrowseBox* Window::htmlBrowseBox(const Text& name) const { return WidgetAs<HtmlBrowseBox>(*impl_, name); }
QTimer* Window::timer(const Text& name) const { return ObjectAs<QTimer>(*impl_, name); }
BalloonTip* Window::balloon(const Text& name) const { return ObjectAs<BalloonTip>(*impl_, name); }
CommonDialog* Window::dialog(const Text& name) const { return Owned<&ControlRecord::dialog>(*impl_, name); }
DBConnection* Window::connection(const Text& name) const { return Owned<&ControlRecord::connection>(*impl_, name); }
RecordSet* Window::recordSet(const Text& name) const { return Owned<&ControlRecord::recordSet>(*impl_, name); }
ExcelApp* Window::excelApp(const Text& name) const { return Owned<&ControlRecord::excelApp>(*impl_, name); }
ExcelWorkbooks* Window::excelWorkbooks(const Text& name) const {
    return Owned<&ControlRecord::excelWorkbooks>(*impl_, name);
}

// ---- Control ----

namespace {
// The record of a live control, or nullptr.
std::shared_ptr<ControlRecord> Live(const std::weak_ptr<ControlRecord>& weak) {
    auto r = weak.lock();
    if (!r || !r->impl || !r->impl->alive()) return nullptr;
    return r;
}
}  // namespace

bool Control::valid() const { return Live(record_) != nullptr; }
ControlKind Control::kind() const {
    auto r = Live(record_);
    return r ? r->decl.kind : ControlKind::Label;
}
Text Control::name() const {
    auto r = Live(record_);
    return r ? r->decl.name : Text();
}
Window* Control::window() const {
    auto r = Live(record_);
    return r ? &r->impl->window() : nullptr;
}
QWidget* Control::widget() const {
    auto r = Live(record_);
    return r ? r->widget.data() : nullptr;
}

int Control::left() const { return widget() ? widget()->x() : 0; }
int Control::top() const { return widget() ? widget()->y() : 0; }
int Control::width() const { return widget() ? widget()->width() : 0; }
int Control::height() const { return widget() ? widget()->height() : 0; }
void Control::setLeft(int v) { move(v, top(), width(), height()); }
void Control::setTop(int v) { move(left(), v, width(), height()); }
void Control::setWidth(int v) { move(left(), top(), v, height()); }
void Control::setHeight(int v) { move(left(), top(), width(), v); }
void Control::move(int left, int top, int width, int height) {
    if (QWidget* w = widget()) w->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
}

bool Control::visible() const {
    auto r = Live(record_);
    if (!r) return false;
    return r->widget ? !r->widget->isHidden() : r->decl.visible;
}
void Control::setVisible(bool visible) {
    if (QWidget* w = widget()) w->setVisible(visible);
}
bool Control::enabled() const {
    auto r = Live(record_);
    if (!r) return false;
    if (!r->widget) return r->decl.enabled;
    return r->widget->isEnabledTo(r->widget->window());
}
void Control::setEnabled(bool enabled) {
    if (QWidget* w = widget()) w->setEnabled(enabled);
}

Text Control::text() const {
    auto r = Live(record_);
    if (!r) return {};
    QWidget* w = r->widget;
    if (auto* e = qobject_cast<QLineEdit*>(w)) return Text::fromQString(e->text());
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return Text::fromQString(e->toPlainText());
    if (auto* t = qobject_cast<TransparentLabel*>(w)) return t->caption();
    if (auto* h = qobject_cast<HtmlBrowseBox*>(w)) return h->address();
    if (r->decl.kind == ControlKind::HyperLinker) return r->decl.text;
    if (auto* l = qobject_cast<QLabel*>(w)) return Text::fromQString(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return Text::fromQString(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) return Text::fromQString(g->title());
    if (auto* c = qobject_cast<QComboBox*>(w)) return Text::fromQString(c->currentText());
    if (r->dialog) return r->dialog->fileName;
    return {};
}

void Control::setText(const Text& text) {
    auto r = Live(record_);
    if (!r) return;
    QWidget* w = r->widget;
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text.toQString());
    else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) e->setPlainText(text.toQString());
    else if (auto* t = qobject_cast<TransparentLabel*>(w)) t->setCaption(text);
    else if (auto* h = qobject_cast<HtmlBrowseBox*>(w)) h->setAddress(text);
    else if (r->decl.kind == ControlKind::HyperLinker) {
        r->decl.text = text;
        static_cast<QLabel*>(w)->setText(HyperlinkHtml(r->decl.linkTarget, text));
    } else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text.toQString());
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text.toQString());
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text.toQString());
    else if (r->dialog) r->dialog->fileName = text;
}

Colour Control::textColour() const {
    auto r = Live(record_);
    if (!r) return {};
    if (auto* t = qobject_cast<TransparentLabel*>(r->widget.data())) return FromQColor(t->textColor());
    if (auto* l = qobject_cast<ReportList*>(r->widget.data())) return FromQColor(l->textColour());
    if (r->textColour) return *r->textColour;
    return r->widget ? FromQColor(r->widget->palette().color(QPalette::WindowText)) : Colour{};
}

void Control::setTextColour(Colour colour) {
    auto r = Live(record_);
    if (!r || !r->widget) return;
    r->textColour = colour;
    QWidget* w = r->widget;
    if (auto* t = qobject_cast<TransparentLabel*>(w)) return t->setTextColor(ToQColor(colour));
    if (auto* l = qobject_cast<ReportList*>(w)) return l->setTextColour(ToQColor(colour));
    ApplyColours(w, colour, std::nullopt);
}

Colour Control::backColour() const {
    auto r = Live(record_);
    if (!r) return {};
    if (auto* l = qobject_cast<ReportList*>(r->widget.data())) return FromQColor(l->backColour());
    if (r->backColour) return *r->backColour;
    return r->widget ? FromQColor(r->widget->palette().color(QPalette::Window)) : Colour{};
}

void Control::setBackColour(Colour colour) {
    auto r = Live(record_);
    if (!r || !r->widget) return;
    r->backColour = colour;
    QWidget* w = r->widget;
    if (auto* l = qobject_cast<ReportList*>(w)) return l->setBackColour(ToQColor(colour));
    ApplyColours(w, std::nullopt, colour);
}

void Control::setFont(const FontDecl& font) {
    auto r = Live(record_);
    if (!r || !r->widget) return;
    if (auto* t = qobject_cast<TransparentLabel*>(r->widget.data())) return t->setTextFont(MakeFont(font));
    r->widget->setFont(MakeFont(font));
}

Bytes Control::picture() const {
    auto r = Live(record_);
    if (!r) return {};
    if (auto* p = qobject_cast<PictureBox*>(r->widget.data())) return p->picture();
    if (auto* b = qobject_cast<ImageButton*>(r->widget.data())) return b->normalPicture();
    return {};
}

void Control::setPicture(const Bytes& picture) {
    auto r = Live(record_);
    if (!r) return;
    if (auto* p = qobject_cast<PictureBox*>(r->widget.data())) p->setPicture(picture);
    else if (auto* b = qobject_cast<ImageButton*>(r->widget.data())) b->setNormalPicture(picture);
}

int Control::interval() const {
    auto r = Live(record_);
    if (!r) return 0;
    auto* t = qobject_cast<QTimer*>(r->object.data());
    return t && t->isActive() ? t->interval() : 0;
}

void Control::setInterval(int ms) {
    auto r = Live(record_);
    if (!r) return;
    auto* t = qobject_cast<QTimer*>(r->object.data());
    if (!t) return;
    if (ms <= 0) {
        t->stop();
        return;
    }
    t->start(ms);
}

int Control::selection() const {
    auto r = Live(record_);
    if (!r) return -1;
    if (auto* c = qobject_cast<QComboBox*>(r->widget.data())) return c->currentIndex();
    if (auto* l = qobject_cast<ReportList*>(r->widget.data())) return l->currentSelection();
    return -1;
}

void Control::setSelection(int index) {
    auto r = Live(record_);
    if (!r) return;
    if (auto* c = qobject_cast<QComboBox*>(r->widget.data())) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    } else if (auto* l = qobject_cast<ReportList*>(r->widget.data())) {
        l->setCurrentSelection(index);
    }
}

bool Control::checked() const {
    auto r = Live(record_);
    if (!r) return false;
    if (auto* b = qobject_cast<QAbstractButton*>(r->widget.data())) return b->isChecked();
    if (auto* b = qobject_cast<ImageButton*>(r->widget.data())) return b->isChecked();
    return false;
}

void Control::setChecked(bool checked) {
    auto r = Live(record_);
    if (!r) return;
    if (auto* b = qobject_cast<QAbstractButton*>(r->widget.data())) b->setChecked(checked);
    else if (auto* b = qobject_cast<ImageButton*>(r->widget.data())) b->setChecked(checked);
}

int Control::position() const {
    auto r = Live(record_);
    auto* bar = r ? qobject_cast<QProgressBar*>(r->widget.data()) : nullptr;
    return bar ? bar->value() : 0;
}

void Control::setPosition(int position) {
    auto r = Live(record_);
    auto* bar = r ? qobject_cast<QProgressBar*>(r->widget.data()) : nullptr;
    if (bar) bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}
