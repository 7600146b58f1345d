#pragma once
// Window and control declarations: plain data. A window is one WindowDecl
// listing its controls; the window system builds the widgets from it.
// Declarations name their event handlers by text; the feature code that loads
// the window supplies the handler table, so declarations never include
// feature code.
//
// Fields are ordered so that designated initialisers read like a layout table:
//   ControlDecl{.kind = ControlKind::EditBox, .name = T("编辑框_搜索"),
//               .rect = {104, 57, 124, 20}, .font = FontDecl{T("宋体"), 12},
//               .events = {{Event::ContentChanged, "search_changed"}}}

#include "services/core/text.h"
#include "services/core/value.h"
#include "services/window/controls/balloon_tip.h"

// Declarations name only the fields that differ from the defaults; GCC before
// 13 warns about every omitted field of a designated initialiser even though
// each has a default. Files that include the declarations need that silence.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// ---- common values ----

struct Colour {
    std::uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};
constexpr Colour Rgb(int r, int g, int b) {
    return Colour{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
}

// A declared font: family (宋体 maps to an installed CJK face) and character
// height in pixels.
struct FontDecl {
    Text family;
    int pixelHeight = 12;
    bool bold = false;
    friend bool operator==(const FontDecl&, const FontDecl&) = default;
};

struct RectDecl {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const RectDecl&, const RectDecl&) = default;
};

// Borders of edit boxes, labels, picture boxes and report lists.
enum class Border { None, Sunken, Raised, ShallowSunken, Framed, SingleLine };
enum class HAlign { Left, Centre, Right };
enum class VAlign { Top, Centre, Bottom };
enum class ScrollBars { None, Horizontal, Vertical, Both };
enum class InputMode { Normal, Password, DateTime };
// Picture boxes: top-left unscaled, scaled to the box, centred.
enum class PictureMode { TopLeft, Scaled, Centred };
enum class Cursor { Arrow, Hand };

// ---- events ----

enum class Event {
    // window
    Created,     // once, after the window and all its controls exist
    Destroying,  // when closing, before the controls are destroyed
    Moved,       // after the window moved
    Resized,     // after the window was resized
    // controls
    Clicked,             // button, image button: left click released on it
    ContentChanged,      // edit box: after every change of its text
    EnterPressed,        // single-line edit box: Enter (Return) pressed in it
    ItemSelected,        // combo box: the user chose an entry (selection final)
    DropDown,            // combo box: the list is opening
    CurrentItemChanged,  // report list: a row became the focused row
    ItemActivated,       // report list: double click or Enter on a row
    TimerTick,           // timer: each interval
    LeftButtonDown,      // any control
    DoubleClicked,       // any control
    GotFocus,            // any control
    LostFocus,           // any control
};

// Readable event name ("Created", "ContentChanged", ...), for reports.
const char* EventName(Event event);

// Event -> handler name (a key of the handler table given at load).
struct EventBinding {
    Event event;
    std::string handler;
};

// ---- controls ----

enum class ControlKind {
    EditBox,
    PicBox,
    DrawPanel,
    GroupBox,
    Label,
    Button,
    RadioBox,
    ComboBox,
    ProcessBar,
    HyperLinker,
    PicBtn,
    ListView,
    TransLabel,
    HtmlViewer,
    // non-visual: no widget, no rectangle
    Q_tip,
    Timer,
    CommonDlg,
    DBConnection,
    RecordSet,
    ExcelApp,
    ExcelWorkbooks,
};

// Type name of a kind ("EditBox", "ListView", ...).
const char* KindName(ControlKind kind);
bool IsNonVisual(ControlKind kind);
// Kinds whose children may name them as parent.
bool IsContainer(ControlKind kind);

// Report list properties (the ones this program sets).
struct ListViewDecl {
    // Auto sort modes (also ReportList::setAutoSort's).
    static constexpr int kNoSort = 0;
    static constexpr int kSortAscending = 1;
    static constexpr int kSortDescending = 2;

    Border border = Border::Sunken;
    bool noHeader = false;
    bool headerClickable = true;
    bool fullRowSelect = false;
    bool gridLines = false;
    bool headerDragDrop = false;
    int autoSort = kNoSort;
    bool singleSelection = true;
    std::optional<Colour> textBackColour;
    friend bool operator==(const ListViewDecl&, const ListViewDecl&) = default;
};

// Image button pictures and type.
struct ImageButtonDecl {
    static constexpr int kPushButton = 0;
    static constexpr int kToggleButton = 1;

    int buttonType = kPushButton;
    bool checked = false;
    Bytes normal, hot, pressed, disabled;
    std::optional<Colour> transparentColour;
};

// Common dialog properties, declared and then live on the window: the file
// name receives the chosen path.
struct CommonDialog {
    static constexpr int kOpenFile = 0;
    static constexpr int kSaveFile = 1;
    static constexpr int kFont = 2;
    static constexpr int kHelp = 3;

    int kind = kOpenFile;
    Text title;
    Text filter;  // "名称|*.a;*.b|名称|*.*"
    int filterIndex = 0;
    Text folder;
    Text defaultExtension;
    Text fileName;
};

struct ControlDecl {
    ControlKind kind = ControlKind::Label;
    Text name;
    Text parent;  // empty: the window; else a container control's name
    RectDecl rect;
    bool visible = true;
    bool enabled = true;
    bool tabStop = true;
    int tabOrder = 0;  // 0: creation order; else the position (from 1) among all the window's controls
    Cursor cursor = Cursor::Arrow;

    // caption (labels, buttons, group boxes, radio, hyperlink, transparent
    // label) or content (edit box), or page address (HTML browse box)
    Text text;
    std::optional<FontDecl> font;
    std::optional<Colour> textColour;
    std::optional<Colour> backColour;
    Border border = Border::None;
    HAlign hAlign = HAlign::Left;
    // nullopt: the kind's own default (label top, transparent label centre)
    std::optional<VAlign> vAlign;
    bool wordWrap = false;

    // edit box
    int maxLength = 0;  // 0: no limit
    bool multiLine = false;
    ScrollBars scrollBars = ScrollBars::None;
    InputMode inputMode = InputMode::Normal;
    bool readOnly = false;
    bool hideSelection = true;

    // picture box
    Bytes picture;
    PictureMode pictureMode = PictureMode::TopLeft;

    // radio button
    bool checked = false;

    // progress bar
    int minimum = 0, maximum = 100, position = 0;

    // hyperlink box
    Text linkTarget;

    // transparent label effect: 0 plain, 1 raised, 2 sunken, 3 shadowed
    int effect = 0;

    // combo box initial items (normally filled at run time)
    std::vector<Text> items;

    ImageButtonDecl imageButton;
    ListViewDecl list;
    int interval = 0;  // timer, ms; 0 stopped
    CommonDialog dialog;
    std::optional<BalloonTipSettings> balloon;  // nullopt: balloon defaults

    std::vector<EventBinding> events;
};

// ---- menus ----

struct MenuItemDecl {
    Text caption;
    std::string handler;  // runs when the item is chosen
    bool enabled = true;
    bool checked = false;
    std::vector<MenuItemDecl> items;  // sub-items: a submenu
};

// A top-level menu of the window; pop-up menus show its items.
struct MenuDecl {
    Text name;
    bool visible = false;  // these windows have no menu bar
    std::vector<MenuItemDecl> items;
};

// ---- windows ----

enum class WindowBorder { None, NormalResizable, NormalFixed, ToolResizable, ToolFixed, FramedResizable, FramedFixed };
enum class WindowPosition { Normal, Centred, Minimized, Maximized };
enum class WindowShape { Rectangle, RoundedRectangle };

struct WindowDecl {
    std::string id;  // the window's name in the program ("main", "login", ...)
    Text title;
    int width = 0, height = 0;  // outer size, border and caption included
    WindowBorder border = WindowBorder::NormalFixed;
    bool systemMenu = true;
    bool minimizeButton = false;
    bool maximizeButton = false;
    WindowPosition position = WindowPosition::Centred;
    bool movable = true;
    bool escCloses = true;
    bool inTaskbar = true;
    bool dragAnywhere = false;
    WindowShape shape = WindowShape::Rectangle;
    bool alwaysOnTop = false;
    bool visible = true;
    std::optional<Colour> backColour;
    std::vector<EventBinding> events;
    std::vector<ControlDecl> controls;
    std::vector<MenuDecl> menus;
};
