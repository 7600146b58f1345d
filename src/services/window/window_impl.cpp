#include "services/window/window_impl.h"

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/controls/date_edit.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/controls/image_button.h"
#include "services/window/controls/transparent_label.h"
#include "services/window/fonts.h"
#include "services/window/frame_border.h"
#include "services/window/native_title.h"
#include "services/window/report_list.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {
Q_LOGGING_CATEGORY(UndeclaredNameLog, kUndeclaredNameLog)
}  // namespace

const QEvent::Type WindowImpl::CloseRequest = static_cast<QEvent::Type>(QEvent::registerEventType());

QColor ToQColor(Colour c) { return QColor(c.red, c.green, c.blue); }
Colour FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

void ApplyColours(QWidget* w, const std::optional<Colour>& text, const std::optional<Colour>& back) {
    QPalette pal = w->palette();
    if (text) {
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(role, ToQColor(*text));
    }
    if (back) {
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) pal.setColor(role, ToQColor(*back));
        w->setAutoFillBackground(true);
    }
    w->setPalette(pal);
}

QString HyperlinkHtml(const Text& target, const Text& caption) {
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(target.toQString().toHtmlEscaped(), caption.toQString().toHtmlEscaped());
}

// ---- picture box ----

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {}

void PictureBox::setPicture(const Bytes& picture) {
    bytes_ = picture;
    image_ = DecodePicture(picture);
    update();
}

void PictureBox::setMode(PictureMode mode) {
    mode_ = mode;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (image_.isNull()) return;
    QPainter p(this);
    const QRect area = contentsRect();
    p.setClipRect(area);
    switch (mode_) {
    case PictureMode::TopLeft: p.drawImage(area.topLeft(), image_); break;
    case PictureMode::Scaled:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(area, image_);
        break;
    case PictureMode::Centred: {
        QRect r(QPoint(0, 0), image_.size());
        r.moveCenter(area.center());
        p.drawImage(r.topLeft(), image_);
        break;
    }
    }
}

void DropDownCombo::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

// ---- window widget ----

WindowWidget::WindowWidget(WindowImpl* impl, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), impl_(impl) {}

void WindowWidget::closeEvent(QCloseEvent* event) {
    // Closing destroys the window; the widget itself goes later. A window
    // that a modal one disabled takes no input, its close button included.
    event->ignore();
    if (impl_ && isEnabled()) impl_->destroyNow();
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
    // Esc closes the window whose control has the focus (the key comes up
    // from that control when it has no use for it). Not a window shortcut:
    // one of an owner would also match in the tool windows it owns, and Qt
    // takes two matching shortcuts as ambiguous and runs neither.
    if (impl_ && impl_->decl().escCloses && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        impl_->destroyNow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WindowWidget::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (impl_) impl_->onWidgetMoved();
}

void WindowWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (impl_) impl_->onWidgetResized();
}

void WindowWidget::mousePressEvent(QMouseEvent* event) {
    if (impl_ && impl_->decl().dragAnywhere && event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

bool WindowWidget::event(QEvent* event) {
    if (event->type() == WindowImpl::CloseRequest) {
        if (impl_) impl_->destroyNow();
        return true;
    }
    const bool handled = QWidget::event(event);
    // The platform shows the program's name in place of an empty title.
    if ((event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange) && windowTitle().isEmpty())
        ShowEmptyTitle(this);
    return handled;
}

// ---- window ----

WindowImpl::WindowImpl(const WindowDecl& decl, const HandlerTable& handlers) : decl_(decl), handlers_(handlers) {}

WindowImpl::~WindowImpl() {
    if (widget_) delete widget_.data();
}

std::shared_ptr<Window> WindowImpl::create(const WindowDecl& decl, const HandlerTable& handlers, QWidget* ownerWidget) {
    auto* impl = new WindowImpl(decl, handlers);
    std::shared_ptr<Window> window(new Window(std::unique_ptr<WindowImpl>(impl)));
    impl->self_ = window.get();
    impl->selfShared_ = window;
    for (const auto& name : MissingHandlers(decl, handlers))
        qWarning("window %s: no handler named %s", decl.id.c_str(), name.c_str());
    impl->build(ownerWidget);
    return window;
}

namespace {

Qt::WindowFlags FlagsOf(const WindowDecl& d) {
    Qt::WindowFlags type = Qt::Window;
    switch (d.border) {
    case WindowBorder::ToolResizable:
    case WindowBorder::ToolFixed: type = Qt::Tool; break;
    case WindowBorder::FramedResizable:
    case WindowBorder::FramedFixed: type = Qt::Dialog; break;
    default: break;
    }
    // Without a taskbar button a window is a tool window here.
    if (!d.inTaskbar) type = Qt::Tool;
    Qt::WindowFlags flags = type;
    if (d.border == WindowBorder::None) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (d.systemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (d.minimizeButton) flags |= Qt::WindowMinimizeButtonHint;
        if (d.maximizeButton) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (d.alwaysOnTop) flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

bool IsFixed(WindowBorder b) {
    return b == WindowBorder::NormalFixed || b == WindowBorder::ToolFixed || b == WindowBorder::FramedFixed ||
           b == WindowBorder::None;
}

Qt::Alignment LabelAlignment(HAlign h, VAlign v) {
    Qt::Alignment a = h == HAlign::Centre ? Qt::AlignHCenter : h == HAlign::Right ? Qt::AlignRight : Qt::AlignLeft;
    a |= v == VAlign::Centre ? Qt::AlignVCenter : v == VAlign::Bottom ? Qt::AlignBottom : Qt::AlignTop;
    return a;
}

std::optional<QColor> OptionalColour(const std::optional<Colour>& c) {
    if (!c) return std::nullopt;
    return ToQColor(*c);
}

}  // namespace

void WindowImpl::build(QWidget* ownerWidget) {
    widget_ = new WindowWidget(this, ownerWidget, FlagsOf(decl_));
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    widget_->setWindowTitle(decl_.title.toQString());
    widget_->setFont(DefaultGuiFont());
    if (decl_.backColour) ApplyColours(widget_, std::nullopt, decl_.backColour);
    resizeOuter(decl_.width, decl_.height);
    for (const auto& control : decl_.controls) buildControl(control);
    applyTabOrder();
    applyShape();
    // Every window opens centred; the created handler may move it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    widget_->move(screen.center() - QPoint(decl_.width / 2, decl_.height / 2));
}

void WindowImpl::buildControl(const ControlDecl& d) {
    auto record = std::make_shared<ControlRecord>();
    record->decl = d;
    record->impl = this;
    record->textColour = d.textColour;
    record->backColour = d.backColour;
    ControlRecord* rec = record.get();

    QWidget* parent = widget_;
    if (!d.parent.empty()) {
        auto it = byName_.find(d.parent.bytes());
        auto container = it == byName_.end() ? nullptr : it->second;
        if (container && container->widget) parent = container->widget;
        else qWarning("window %s: control %s names an unknown parent", decl_.id.c_str(), d.name.toUtf8().c_str());
    }

    QWidget* w = nullptr;
    switch (d.kind) {
    case ControlKind::EditBox: {
        if (d.multiLine) {
            auto* edit = new QPlainTextEdit(parent);
            edit->setPlainText(d.text.toQString());
            ApplyFrameBorder(edit, d.border);
            const bool h = d.scrollBars == ScrollBars::Horizontal || d.scrollBars == ScrollBars::Both;
            const bool v = d.scrollBars == ScrollBars::Vertical || d.scrollBars == ScrollBars::Both;
            edit->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode(h ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
            edit->setReadOnly(d.readOnly);
            edit->setTabChangesFocus(true);
            const int maxLength = d.maxLength;
            connect(edit, &QPlainTextEdit::textChanged, this, [this, rec, edit, maxLength] {
                if (maxLength > 0 && edit->toPlainText().size() > maxLength) {
                    // Over the limit: cut back; that change raises the event.
                    QSignalBlocker block(edit);
                    QTextCursor cursor = edit->textCursor();
                    edit->setPlainText(edit->toPlainText().left(maxLength));
                    cursor.movePosition(QTextCursor::End);
                    edit->setTextCursor(cursor);
                }
                raise(Event::ContentChanged, rec);
            });
            w = edit;
            watch(edit->viewport(), rec);
        } else {
            // Declared for date input: a date editor that still takes typed dates.
            auto* edit = d.inputMode == InputMode::DateTime ? new DateEdit(parent) : new QLineEdit(parent);
            edit->setText(d.text.toQString());
            edit->setFrame(d.border != Border::None);
            if (d.maxLength > 0) edit->setMaxLength(d.maxLength);
            if (d.inputMode == InputMode::Password) {
                edit->setEchoMode(QLineEdit::Password);
                edit->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
            }
            edit->setReadOnly(d.readOnly);
            connect(edit, &QLineEdit::textChanged, this, [this, rec] { raise(Event::ContentChanged, rec); });
            connect(edit, &QLineEdit::returnPressed, this, [this, rec] { raise(Event::EnterPressed, rec); });
            w = edit;
        }
        break;
    }
    case ControlKind::PicBox: {
        auto* box = new PictureBox(parent);
        ApplyFrameBorder(box, d.border);
        box->setMode(d.pictureMode);
        box->setPicture(d.picture);
        w = box;
        break;
    }
    case ControlKind::DrawPanel: {
        auto* panel = new QFrame(parent);
        ApplyFrameBorder(panel, d.border);
        w = panel;
        break;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(d.text.toQString(), parent);
        w = group;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(d.text.toQString(), parent);
        label->setTextFormat(Qt::PlainText);
        ApplyFrameBorder(label, d.border);
        label->setAlignment(LabelAlignment(d.hAlign, d.vAlign.value_or(VAlign::Top)));
        label->setWordWrap(d.wordWrap);
        w = label;
        break;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(d.text.toQString(), parent);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, rec] { raise(Event::Clicked, rec); });
        w = button;
        break;
    }
    case ControlKind::RadioBox: {
        auto* radio = new QRadioButton(d.text.toQString(), parent);
        radio->setChecked(d.checked);
        connect(radio, &QRadioButton::clicked, this, [this, rec] { raise(Event::Clicked, rec); });
        w = radio;
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = new DropDownCombo(parent);
        combo->setEditable(false);
        for (const auto& item : d.items) combo->addItem(item.toQString(), 0);
        combo->setCurrentIndex(-1);
        connect(combo, &QComboBox::activated, this, [this, rec] { raise(Event::ItemSelected, rec); });
        connect(combo, &DropDownCombo::aboutToDropDown, this, [this, rec] { raise(Event::DropDown, rec); });
        w = combo;
        break;
    }
    case ControlKind::ProcessBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(d.minimum, d.maximum);
        bar->setValue(d.position);
        bar->setTextVisible(false);
        w = bar;
        break;
    }
    case ControlKind::HyperLinker: {
        auto* link = new QLabel(parent);
        link->setTextFormat(Qt::RichText);
        link->setText(HyperlinkHtml(d.linkTarget, d.text));
        link->setOpenExternalLinks(false);
        connect(link, &QLabel::linkActivated, this, [](const QString& url) { OpenUrl(Text::fromQString(url)); });
        w = link;
        break;
    }
    case ControlKind::PicBtn: {
        auto* button = new ImageButton(parent);
        button->setButtonType(d.imageButton.buttonType);
        button->setChecked(d.imageButton.checked);
        button->setNormalPicture(d.imageButton.normal);
        button->setHotPicture(d.imageButton.hot);
        button->setPressedPicture(d.imageButton.pressed);
        button->setDisabledPicture(d.imageButton.disabled);
        button->setTransparentColor(OptionalColour(d.imageButton.transparentColour));
        button->setHandCursor(d.cursor == Cursor::Hand);
        connect(button, &ImageButton::clicked, this, [this, rec] { raise(Event::Clicked, rec); });
        w = button;
        break;
    }
    case ControlKind::ListView: {
        auto* list = new ReportList(parent);
        list->apply(d.list);
        connect(list, &ReportList::currentItemChanged, this,
                [this, rec](int row) { raise(Event::CurrentItemChanged, rec, row); });
        connect(list, &ReportList::itemActivated, this,
                [this, rec](int row) { raise(Event::ItemActivated, rec, row); });
        w = list;
        watch(list->viewport(), rec);
        break;
    }
    case ControlKind::TransLabel: {
        auto* label = new TransparentLabel(parent);
        label->setCaption(d.text);
        label->setEffect(d.effect);
        if (d.font) label->setTextFont(MakeFont(*d.font));
        label->setTextColor(d.textColour ? ToQColor(*d.textColour) : QColor(Qt::black));
        label->setHorizontalAlignment(static_cast<int>(d.hAlign));
        label->setVerticalAlignment(static_cast<int>(d.vAlign.value_or(VAlign::Centre)));
        label->setWordWrap(d.wordWrap);
        w = label;
        break;
    }
    case ControlKind::HtmlViewer: {
        auto* box = new HtmlBrowseBox(parent);
        box->setAddress(d.text);
        w = box;
        break;
    }
    case ControlKind::Q_tip: {
        auto* balloon = new BalloonTip(parent);
        balloon->setSettings(d.balloon ? *d.balloon : BalloonTipSettings::defaults());
        record->object = balloon;
        break;
    }
    case ControlKind::Timer: {
        auto* timer = new QTimer(this);
        timer->setInterval(std::max(d.interval, 0));
        connect(timer, &QTimer::timeout, this, [this, rec] { raise(Event::TimerTick, rec); });
        record->object = timer;
        break;
    }
    case ControlKind::CommonDlg: record->dialog = std::make_unique<CommonDialog>(d.dialog); break;
    case ControlKind::DBConnection: record->connection = std::make_unique<DBConnection>(); break;
    case ControlKind::RecordSet: record->recordSet = std::make_unique<RecordSet>(); break;
    case ControlKind::ExcelApp: record->excelApp = std::make_unique<ExcelApp>(); break;
    case ControlKind::ExcelWorkbooks: record->excelWorkbooks = std::make_unique<ExcelWorkbooks>(); break;
    }

    if (w) {
        record->widget = w;
        w->setObjectName(d.name.toQString());
        w->setGeometry(d.rect.left, d.rect.top, d.rect.width, d.rect.height);
        if (d.font && d.kind != ControlKind::TransLabel) w->setFont(MakeFont(*d.font));
        if (d.kind != ControlKind::TransLabel && d.kind != ControlKind::PicBtn)
            ApplyColours(w, d.textColour, d.backColour);
        if (d.kind == ControlKind::ListView) {
            auto* list = static_cast<ReportList*>(w);
            if (d.textColour) list->setTextColour(ToQColor(*d.textColour));
            if (d.backColour) list->setBackColour(ToQColor(*d.backColour));
        }
        if (d.cursor == Cursor::Hand) w->setCursor(Qt::PointingHandCursor);
        if (!d.tabStop) w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->focusPolicy() & ~Qt::TabFocus));
        w->setEnabled(d.enabled);
        w->setVisible(d.visible);
        watch(w, rec);
    }
    records_.push_back(record);
    byName_[d.name.bytes()] = record;
}

void WindowImpl::watch(QWidget* widget, ControlRecord* record) {
    watched_[widget] = record;
    widget->installEventFilter(this);
}

void WindowImpl::applyTabOrder() {
    // A declared tab position is a position among all the window's controls,
    // counted from 1 in creation order as the platform numbers them: the
    // control moves there and the others keep their creation order around it.
    std::vector<QWidget*> order;
    std::vector<std::pair<int, QWidget*>> placed;
    for (const auto& r : records_) {
        if (!r->widget) continue;
        order.push_back(r->widget.data());
        if (r->decl.tabOrder > 0) placed.emplace_back(r->decl.tabOrder, r->widget.data());
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [position, widget] : placed) {
        order.erase(std::find(order.begin(), order.end(), widget));
        const auto at = std::min<std::size_t>(static_cast<std::size_t>(position - 1), order.size());
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), widget);
    }
    std::erase_if(order, [](QWidget* w) { return !(w->focusPolicy() & Qt::TabFocus); });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

std::shared_ptr<ControlRecord> WindowImpl::find(const Text& name) const {
    if (destroyed_) return nullptr;
    auto it = byName_.find(name.bytes());
    if (it != byName_.end()) return it->second;
    if (undeclaredAsked_.insert(name.bytes()).second)
        qCWarning(UndeclaredNameLog, "window %s: no control named %s", decl_.id.c_str(), name.toUtf8().c_str());
    return nullptr;
}

// ---- events ----

void WindowImpl::call(const std::string& handler, const EventArgs& args) {
    auto it = handlers_.find(handler);
    if (it == handlers_.end() || !it->second) return;
    // The handler may let events run, and a close among them would free the
    // objects it still uses: the window is destroyed when it returns.
    WindowHold hold(self_);
    Handler h = it->second;
    h(args);
}

void WindowImpl::raise(Event event, ControlRecord* control, int row, QPoint position, QPoint screen) {
    if (destroyed_) return;
    const auto& bindings = control ? control->decl.events : decl_.events;
    for (const auto& binding : bindings) {
        if (binding.event != event) continue;
        Control handle;
        if (control) {
            auto it = byName_.find(control->decl.name.bytes());
            if (it != byName_.end()) handle = Control(it->second);
        }
        EventArgs args{*self_, handle, event, row, position, screen, {}};
        call(binding.handler, args);
        if (destroyed_) return;
    }
}

void WindowImpl::runMenuHandler(const std::string& handler, const Text& caption) {
    if (destroyed_) return;
    EventArgs args{*self_, Control(), Event::Clicked, -1, {}, {}, caption};
    call(handler, args);
}

bool WindowImpl::eventFilter(QObject* watched, QEvent* event) {
    if (destroyed_) return false;
    auto it = watched_.find(watched);
    if (it == watched_.end()) return false;
    ControlRecord* rec = it->second;
    // A press a child ignores travels on to its container as a copy; only the
    // control it was meant for raises the event.
    auto firstDelivery = [this](QMouseEvent* mouse) {
        const MouseSignature signature{mouse->type(), mouse->timestamp(), mouse->globalPosition().toPoint()};
        if (signature == lastMouse_) return false;
        lastMouse_ = signature;
        return true;
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && rec->widget && firstDelivery(mouse)) {
            const QPoint global = mouse->globalPosition().toPoint();
            const Event raised =
                event->type() == QEvent::MouseButtonPress ? Event::LeftButtonDown : Event::DoubleClicked;
            raise(raised, rec, -1, rec->widget->mapFromGlobal(global), global);
        }
        break;
    }
    case QEvent::FocusIn:
        if (watched == rec->widget) raise(Event::GotFocus, rec);
        break;
    case QEvent::FocusOut:
        if (watched == rec->widget) raise(Event::LostFocus, rec);
        break;
    default: break;
    }
    return false;
}

void WindowImpl::adoptFrame() {
    // A window manager decorates the window after it is shown; once its frame
    // is known the client shrinks so that the outer size stays the declared one.
    if (frameAdopted_ || !widget_ || !widget_->isVisible() || widget_->isMaximized()) return;
    const QSize extra = frameExtra();
    if (extra.isNull()) return;
    frameAdopted_ = true;
    resizeOuter(requestedOuter_.width(), requestedOuter_.height());
}

void WindowImpl::onWidgetMoved() {
    adoptFrame();
    if (created_ && !destroyed_) raise(Event::Moved, nullptr);
}

void WindowImpl::onWidgetResized() {
    adoptFrame();
    applyShape();
    if (created_ && !destroyed_) raise(Event::Resized, nullptr);
}

// ---- geometry ----

QSize WindowImpl::frameExtra() const {
    if (!widget_) return {};
    const QSize extra = widget_->frameGeometry().size() - widget_->geometry().size();
    return QSize(std::max(extra.width(), 0), std::max(extra.height(), 0));
}

void WindowImpl::resizeOuter(int width, int height) {
    if (!widget_) return;
    // The frame is known only once the platform decorated the window; before
    // that (and on frameless platforms) the client takes the whole size.
    requestedOuter_ = QSize(width, height);
    const QSize extra = frameExtra();
    const QSize client(std::max(width - extra.width(), 0), std::max(height - extra.height(), 0));
    if (IsFixed(decl_.border)) widget_->setFixedSize(client);
    else widget_->resize(client);
}

void WindowImpl::applyShape() {
    if (!widget_) return;
    if (decl_.shape != WindowShape::RoundedRectangle) return;
    const QSize size = widget_->size();
    const int corner = std::min(size.width() / 5, size.height() / 5);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), corner / 2.0, corner / 2.0);
    widget_->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

// ---- life ----

void WindowImpl::start() {
    if (destroyed_) return;
    created_ = true;
    // Declared timers run from creation, so that the created handler may
    // stop them or change their interval.
    for (const auto& r : records_) {
        if (r->decl.kind == ControlKind::Timer && r->decl.interval > 0)
            if (auto* t = qobject_cast<QTimer*>(r->object.data())) t->start();
    }
    raise(Event::Created, nullptr);
    if (destroyed_ || closing_) return;
    if (!decl_.visible) return;
    switch (decl_.position) {
    case WindowPosition::Minimized: widget_->showMinimized(); break;
    case WindowPosition::Maximized: widget_->showMaximized(); break;
    default: widget_->show(); break;
    }
    adoptFrame();
    widget_->activateWindow();
}

void WindowImpl::postClose() {
    if (destroyed_ || !widget_) return;
    closing_ = true;
    QCoreApplication::postEvent(widget_, new QEvent(CloseRequest));
}

void WindowImpl::disableOthers() {
    opener_ = QApplication::activeWindow();
    for (Window* other : LoadedWindows()) {
        if (other == self_) continue;
        QWidget* w = other->widget();
        if (w && w->isEnabled()) {
            w->setEnabled(false);
            disabled_.push_back(w);
        }
    }
}

void WindowImpl::release() {
    if (--holds_ > 0 || !destroyPending_) return;
    destroyPending_ = false;
    destroyNow();
}

void WindowImpl::destroyNow() {
    if (destroying_ || destroyed_) return;
    closing_ = true;
    if (holds_ > 0) {
        // A running handler may still use the objects: out of sight now,
        // destroyed when the last hold ends.
        destroyPending_ = true;
        if (widget_) widget_->hide();
        return;
    }
    destroying_ = true;
    auto keep = selfShared_.lock();

    // Windows owned by this one go first. Held while they go: destroying one
    // also destroys (and may free) the windows it owns in turn.
    std::vector<std::shared_ptr<Window>> owned;
    for (Window* other : LoadedWindows())
        if (other != self_ && other->impl().owner().get() == self_) owned.push_back(SharedWindow(other));
    for (const auto& other : owned)
        if (other) other->impl().destroyNow();

    raise(Event::Destroying, nullptr);
    destroyed_ = true;

    for (auto& w : disabled_)
        if (w) w->setEnabled(true);
    disabled_.clear();
    // Control returns to the window that opened this modal one.
    if (opener_ && opener_ != widget_ && opener_->isVisible()) opener_->activateWindow();

    for (auto& r : records_) {
        if (auto* t = qobject_cast<QTimer*>(r->object.data())) t->stop();
        if (auto* b = qobject_cast<BalloonTip*>(r->object.data())) b->hideTip();
    }
    watched_.clear();
    // Record sets before the connections they use.
    for (auto& r : records_) r->recordSet.reset();
    for (auto& r : records_) r->connection.reset();
    for (auto& r : records_) r->excelWorkbooks.reset();
    for (auto& r : records_) r->excelApp.reset();
    byName_.clear();
    records_.clear();

    if (widget_) {
        widget_->detach();
        widget_->hide();
        widget_->deleteLater();
        widget_ = nullptr;
    }
    UnregisterWindow(self_);
    if (loop_) loop_->quit();
}
