#pragma once
// The window and control commands. Windows are named by their declaration's
// id; a window that is not loaded, or a control handle that is invalid, makes
// a command do nothing and return false, 0 or an empty text.

#include "services/window/window.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Creates the window from its declaration with the handlers bound by name.
// parentId: empty for none; a parent that is not loaded gives false.
// A window already open is not created twice: a minimised one is restored,
// any other activated. One marked closing is destroyed at once and created
// anew. Modal: the other windows are disabled until it is destroyed and the
// call returns only then (nested event loop). True when created or open.
bool LoadWindow(const WindowDecl& decl, const HandlerTable& handlers, bool modal = false,
                const std::string& parentId = {});

// The loaded window of that id, or nullptr.
Window* FindWindow(std::string_view id);
// Loaded windows, in load order.
std::vector<Window*> LoadedWindows();

// Marks the window closing. atOnce: destroyed now, or as soon as no handler
// holds it (WindowHold). Otherwise a close request is posted and the window
// stays alive until the running handler returned.
void DestroyWindow(Window* window, bool atOnce = false);
void DestroyWindow(std::string_view id, bool atOnce = false);

// The native widget of a window or control; nullptr when not loaded.
QWidget* WindowHandle(Window* window);
QWidget* WindowHandle(const Control& control);

void SetFocus(const Control& control);
void SetFocus(Window* window);
void ActivateWindow(Window* window);

// Given left/top move that edge keeping the size; a width/height other than
// -1 sizes from the (new) left/top. Nothing when the rectangle is unchanged.
void MoveUnit(const Control& control, std::optional<int> left = std::nullopt, std::optional<int> top = std::nullopt,
              std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);
void MoveUnit(Window* window, std::optional<int> left = std::nullopt, std::optional<int> top = std::nullopt,
              std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);

// Pops up the sub-items of the window's menu `menu` at the mouse position
// moved 3 right and 3 down (a given x or y replaces that coordinate); the
// chosen item's handler runs; returns when the menu has closed.
void PopupMenu(Window* window, const Text& menu, std::optional<int> x = std::nullopt,
               std::optional<int> y = std::nullopt);

// Shows the file dialog of a common dialog control through the installed
// file chooser (file_chooser.h). True and the file name set on confirm;
// false and nothing changed on cancel.
bool ShowCommonDialog(const Control& dialog);

// Appends each text at the end of the edit box's content, back to back.
void AppendEditText(const Control& edit, std::initializer_list<Text> texts);

int ComboCount(const Control& combo);
// Empty for an index below 0 or not below the count.
Text ComboItemText(const Control& combo, int index);
// Index of the new item, -1 when refused.
int ComboAddItem(const Control& combo, const Text& text, int itemData = 0);
int ComboItemData(const Control& combo, int index);
// False for an invalid index.
bool ComboDeleteItem(const Control& combo, int index);
void ComboClear(const Control& combo);
