#pragma once
// Live windows and controls. A Window is built from a WindowDecl by
// LoadWindow (commands.h) and lives until it is destroyed; procedures find
// its controls by name and read and set their properties. A Control is a
// handle: once its window is destroyed it stays safe to use, every command on
// it then does nothing and returns false, 0 or an empty value. The same holds
// for a name that the window does not declare; a live window logs such a
// name once, as a warning in the category kUndeclaredNameLog.

#include "services/core/text.h"
#include "services/core/value.h"
#include "services/window/decl.h"

#include <QPoint>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QWidget;
class QObject;
class QTimer;
class QComboBox;
class ReportList;
class BalloonTip;
class ImageButton;
class TransparentLabel;
class HtmlBrowseBox;
class DBConnection;
class RecordSet;
class ExcelApp;
class ExcelWorkbooks;

class Window;
struct ControlRecord;

// The log category of the warning about a name a live window does not declare.
inline constexpr char kUndeclaredNameLog[] = "varelo.window.undeclared";

// Handle of one control of a live window.
class Control {
public:
    Control() = default;
    explicit Control(std::weak_ptr<ControlRecord> record) : record_(std::move(record)) {}

    // False for an unknown name or once the window is destroyed.
    bool valid() const;
    explicit operator bool() const { return valid(); }
    ControlKind kind() const;  // Label when invalid
    Text name() const;
    Window* window() const;

    // Geometry relative to the parent's client area (the window or container).
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void move(int left, int top, int width, int height);

    // The control's own flags (a hidden or disabled window does not change them).
    bool visible() const;
    void setVisible(bool visible);
    bool enabled() const;
    void setEnabled(bool enabled);

    // Caption or content: edit box content, label/button/radio/group/hyperlink
    // /transparent label caption, combo box current item text (read only),
    // HTML browse box address, common dialog file name.
    Text text() const;
    void setText(const Text& text);

    Colour textColour() const;
    void setTextColour(Colour colour);
    Colour backColour() const;
    void setBackColour(Colour colour);
    void setFont(const FontDecl& font);

    // Picture box picture; image button normal picture.
    Bytes picture() const;
    void setPicture(const Bytes& picture);

    // Timer interval in ms; 0 stops the timer.
    int interval() const;
    void setInterval(int ms);

    // Combo box current index, report list current selection (-1: none).
    int selection() const;
    void setSelection(int index);

    // Radio button, image button (toggle type).
    bool checked() const;
    void setChecked(bool checked);

    // Progress bar position.
    int position() const;
    void setPosition(int position);

    // The widget (nullptr for non-visual kinds and invalid handles).
    QWidget* widget() const;

    friend bool operator==(const Control& a, const Control& b) { return a.record_.lock() == b.record_.lock(); }

private:
    std::shared_ptr<ControlRecord> lock() const { return record_.lock(); }
    std::weak_ptr<ControlRecord> record_;
};

// What a handler receives.
struct EventArgs {
    Window& window;
    Control control;  // the raising control; invalid for window and menu events
    Event event;
    int row = -1;           // report list events: the row
    QPoint position;        // mouse events: in the control's coordinates
    QPoint screenPosition;  // mouse events: on the screen
    Text menuItem;          // menu item events: the item's caption
};

using Handler = std::function<void(const EventArgs&)>;
using HandlerTable = std::unordered_map<std::string, Handler>;

// Handler names a declaration binds (window, control and menu events) that
// the table lacks, each once, in declaration order.
std::vector<std::string> MissingHandlers(const WindowDecl& decl, const HandlerTable& handlers);

class WindowImpl;

// Keeps a window and its objects (record sets, connections, workbooks,
// timers, controls) for as long as a running procedure may use them. Every
// handler holds its own window while it runs; a hold on a window also holds
// the window that owns it. A destruction asked for meanwhile (Esc, the close
// button, DestroyWindow, even at once) marks the window closing and hides it;
// it is destroyed when the last hold ends. A procedure that uses a window
// other than the one whose handler runs holds that one too.
class WindowHold {
public:
    explicit WindowHold(Window* window);
    ~WindowHold();
    WindowHold(const WindowHold&) = delete;
    WindowHold& operator=(const WindowHold&) = delete;

private:
    std::vector<std::shared_ptr<Window>> held_;  // the window, then its owners
};

class Window {
public:
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const std::string& id() const;
    const WindowDecl& decl() const;
    // False once the window is destroyed (the object may outlive it while a
    // handler still runs).
    bool alive() const;
    // Asked to close (by the user or DestroyWindow): a posted request not yet
    // handled, or a window held by a running handler. A procedure that lets
    // events run stops early once its window is closing.
    bool closing() const;
    bool modal() const;

    // The top-level widget (nullptr once destroyed).
    QWidget* widget() const;

    Control control(const Text& name) const;
    std::vector<Control> controls() const;

    // Outer geometry on the screen (frame included where the platform has one).
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void move(int left, int top, int width, int height);
    bool visible() const;
    void setVisible(bool visible);
    Text title() const;
    void setTitle(const Text& title);
    // Re-centres the window on the screen.
    void moveToCentre();

    // The concrete objects by name; nullptr for an unknown name or another kind.
    ReportList* list(const Text& name) const;
    QTimer* timer(const Text& name) const;
    BalloonTip* balloon(const Text& name) const;
    CommonDialog* dialog(const Text& name) const;
    QComboBox* combo(const Text& name) const;
    ImageButton* imageButton(const Text& name) const;
    TransparentLabel* transparentLabel(const Text& name) const;
    HtmlBrowseBox* htmlBrowseBox(const Text& name) const;
    DBConnection* connection(const Text& name) const;
    RecordSet* recordSet(const Text& name) const;
    ExcelApp* excelApp(const Text& name) const;
    ExcelWorkbooks* excelWorkbooks(const Text& name) const;

    WindowImpl& impl() { return *impl_; }

private:
    friend class WindowImpl;
    explicit Window(std::unique_ptr<WindowImpl> impl);
    std::unique_ptr<WindowImpl> impl_;
};
