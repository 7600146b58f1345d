#pragma once
// Drives the real widgets of loaded windows as a user would: typing, keys,
// clicks, menu choices, reading what a control shows, and letting the event
// loop run. Every test and benchmark that works a window goes through here,
// so all of them type the same way.
//
// Fixtures inherit from it so tests call its members unqualified; code
// outside a fixture calls them as WindowDriver::click(...) and so on.

#include "services/window/window.h"

#include <QString>
#include <Qt>

#include <string>
#include <vector>

class QWidget;

class WindowDriver {
public:
    // Types at the cursor as the keyboard and an input method deliver text:
    // ASCII characters as key presses, every other run of characters as one
    // committed input-method string (as a Chinese input method commits a phrase).
    static void typeText(QWidget* widget, const QString& text);
    // Replaces the content of the window's edit box (or the edit part of a
    // combo box) with typed text.
    static void type(Window& window, const char* control, const std::string& utf8);
    // A key press and release on the control, or on the window itself.
    static void pressKey(Window& window, const char* control, Qt::Key key);
    static void pressKey(Window& window, Qt::Key key);
    // A left mouse click on the control, which must exist and be enabled.
    static void click(Window& window, const char* control);
    // Picks the item with this text from the combo box's list, as a user does.
    static void chooseItem(Window& window, const char* comboBox, const std::string& utf8);
    // The combo box's items, UTF-8.
    static std::vector<std::string> itemsOf(Window& window, const char* comboBox);
    // Pops up the window's menu `menu`, chooses the item with this caption
    // (sub-menus searched too) and lets the choice run.
    static void chooseMenuItem(Window& window, const char* menu, const char* caption);
    // What the control shows, UTF-8.
    static std::string textOf(Window& window, const char* control);
    // Lets posted events run: queued handlers, menu choices, window
    // destruction and the deletion of destroyed widgets.
    static void settle();
    // Destroys every loaded window, newest first and one at a time (a window
    // takes the windows it owns with it), then settles.
    static void closeAllWindows();
};
