#pragma once
// Internals of live windows: the record behind each Control handle and the
// object that builds a window's widgets, dispatches its events and destroys
// it. Not for use outside services/window.

#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/sheet/excel.h"
#include "services/window/window.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QEventLoop;
class QTimer;
class WindowImpl;

// Picture box: draws its picture top-left, scaled to the box or centred.
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    void setPicture(const Bytes& picture);
    const Bytes& picture() const { return bytes_; }
    bool hasImage() const { return !image_.isNull(); }
    void setMode(PictureMode mode);
    PictureMode mode() const { return mode_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Bytes bytes_;
    QImage image_;
    PictureMode mode_ = PictureMode::TopLeft;
};

// Combo box that tells when its list is about to open.
class DropDownCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void aboutToDropDown();
};

// The top-level widget of a window.
class WindowWidget : public QWidget {
    Q_OBJECT
public:
    WindowWidget(WindowImpl* impl, QWidget* parent, Qt::WindowFlags flags);
    // The window was destroyed: the widget only waits for its deletion.
    void detach() { impl_ = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    WindowImpl* impl_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

struct ControlRecord {
    ControlDecl decl;
    WindowImpl* impl = nullptr;
    QPointer<QWidget> widget;
    QPointer<QObject> object;  // timer, balloon tip
    std::unique_ptr<CommonDialog> dialog;
    std::unique_ptr<DBConnection> connection;
    std::unique_ptr<RecordSet> recordSet;
    std::unique_ptr<ExcelApp> excelApp;
    std::unique_ptr<ExcelWorkbooks> excelWorkbooks;
    std::optional<Colour> textColour;
    std::optional<Colour> backColour;
};

class WindowImpl : public QObject {
    Q_OBJECT
public:
    // The posted close request.
    static const QEvent::Type CloseRequest;

    static std::shared_ptr<Window> create(const WindowDecl& decl, const HandlerTable& handlers, QWidget* ownerWidget);
    ~WindowImpl() override;

    Window& window() { return *self_; }
    const WindowDecl& decl() const { return decl_; }
    WindowWidget* widget() const { return widget_; }
    bool alive() const { return !destroyed_; }
    bool closing() const { return closing_; }
    bool created() const { return created_; }
    bool modal() const { return modal_; }
    void setModal(bool modal) { modal_ = modal; }

    // The control declared with that name; nullptr once destroyed. A live
    // window asked for a name it does not declare logs it, once per name
    // (kUndeclaredNameLog): a misspelt name would otherwise do nothing.
    std::shared_ptr<ControlRecord> find(const Text& name) const;
    const std::vector<std::shared_ptr<ControlRecord>>& records() const { return records_; }

    // Raises an event of the window (control == nullptr) or of a control,
    // calling every handler bound to it.
    void raise(Event event, ControlRecord* control, int row = -1, QPoint position = {}, QPoint screen = {});
    // Runs a menu item's handler.
    void runMenuHandler(const std::string& handler, const Text& caption);

    // Raises Created once, then shows the window as declared.
    void start();
    // Marks closing and posts the close request.
    void postClose();
    // Destroying event, then the controls and objects go; the widget is
    // deleted when the event loop next runs. Safe to call twice. While the
    // window is held (a handler of it or of a window it owns still runs) the
    // window only hides; the rest happens when the last hold ends.
    void destroyNow();

    // Holds taken by WindowHold (window.h).
    void hold() { ++holds_; }
    void release();
    std::shared_ptr<Window> shared() const { return selfShared_.lock(); }
    // The window that owns this one (a modeless window loaded with a parent).
    std::shared_ptr<Window> owner() const { return owner_.lock(); }
    void setOwner(const std::shared_ptr<Window>& owner) { owner_ = owner; }

    // Modal bookkeeping: windows this one disabled, and its nested loop.
    void disableOthers();
    void setLoop(QEventLoop* loop) { loop_ = loop; }

    // Outer size <-> client size.
    QSize frameExtra() const;
    void resizeOuter(int width, int height);
    void applyShape();

    void adoptFrame();
    void onWidgetMoved();
    void onWidgetResized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowImpl(const WindowDecl& decl, const HandlerTable& handlers);
    void build(QWidget* ownerWidget);
    void buildControl(const ControlDecl& decl);
    void watch(QWidget* widget, ControlRecord* record);
    void applyTabOrder();
    void call(const std::string& handler, const EventArgs& args);

    WindowDecl decl_;
    HandlerTable handlers_;
    Window* self_ = nullptr;
    std::weak_ptr<Window> selfShared_;
    std::weak_ptr<Window> owner_;
    QPointer<WindowWidget> widget_;
    std::vector<std::shared_ptr<ControlRecord>> records_;
    std::map<std::string, std::shared_ptr<ControlRecord>> byName_;
    mutable std::set<std::string> undeclaredAsked_;  // names already logged by find
    std::map<QObject*, ControlRecord*> watched_;
    std::vector<QPointer<QWidget>> disabled_;
    QPointer<QWidget> opener_;
    struct MouseSignature {
        QEvent::Type type = QEvent::None;
        quint64 timestamp = 0;
        QPoint global;
        bool operator==(const MouseSignature&) const = default;
    };
    MouseSignature lastMouse_;
    QEventLoop* loop_ = nullptr;
    QSize requestedOuter_;
    bool frameAdopted_ = false;
    bool created_ = false;
    bool closing_ = false;
    bool destroying_ = false;
    bool destroyed_ = false;
    bool modal_ = false;
    int holds_ = 0;
    bool destroyPending_ = false;
};

// Registry of loaded windows (commands.cpp).
void RegisterWindow(std::shared_ptr<Window> window);
void UnregisterWindow(Window* window);
std::shared_ptr<Window> SharedWindow(Window* window);

QColor ToQColor(Colour c);
Colour FromQColor(const QColor& c);
// Sets the given text and background colours on the widget's palette; a
// background colour also makes the widget fill its background.
void ApplyColours(QWidget* w, const std::optional<Colour>& text, const std::optional<Colour>& back);
// A hyperlink box's rich text: the caption linking to the target.
QString HyperlinkHtml(const Text& target, const Text& caption);
