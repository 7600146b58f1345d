#pragma once
// The main window's procedures: its creation, destruction and moves, the
// search box and its placeholder, clear button, group filter, row selection
// and opening, the new, delete and save buttons, the avatar, the main menu's
// contact items, the weather hover, and the weather and about windows.

#include "services/window/window.h"
#include "ui/program_state.h"

#include <functional>

// The search box's hint while it holds no search.
Text SearchPlaceholder();  // "姓名/首字母/号码"

// Settings of the weather page: the host part of its address, to which the
// fixed path and query are appended.
inline constexpr const char* kWeatherSettingsSection = "网络";
inline constexpr const char* kWeatherSettingsKey = "天气页地址";

// The weather page's full address from the settings file (blanks and a
// trailing "/" dropped); empty when the file or the key is missing.
Text weather_page_address(const ProgramState& state);
// What the weather pop-up says when no weather page is set: where to set one.
Text WeatherPageNotSetText();

// Gives the search box its grey placeholder and remembers it program-wide.
void set_search_placeholder(ProgramState& state);

// Creates the two list columns ("  姓名" 80, "   手机" 120) and lists all contacts.
void create_contact_columns(ProgramState& state);

// The search box's focus rules, its search, and the clear button.
void search_got_focus(ProgramState& state);
void search_lost_focus(ProgramState& state);
void search_changed(ProgramState& state);
void clear_search(ProgramState& state);

// A list row became current / was activated (double click or Enter).
void select_row(ProgramState& state);
void open_row(ProgramState& state);

// Each timer tick: the weather window shows while the cursor rests on the sun.
void weather_hover(ProgramState& state);

// The weather window's "created": page address and docking beside the main window.
void weather_window_created(ProgramState& state);

// Loads the weather window, hidden.
void load_weather_window(ProgramState& state);

// Opens the about window, modal; its chat link is built with the configured
// chat address (QQ聊天地址).
void open_about_window(const ProgramState& state);

// Peizhi.ini: the main window's position.
inline constexpr const char* kPositionSection = "窗口位置";
inline constexpr const char* kLeftKey = "主窗口左边";
inline constexpr const char* kTopKey = "主窗口顶边";

// Created: the position from the settings file at `settingsPath` (when it
// exists), the window's own connection to VRL3.mdb (the program ends when it
// cannot be opened), the carrier segments of an older book brought up to date,
// the search placeholder, the hidden weather window, the list.
void main_window_created(Window& main, ProgramState& state, const Text& settingsPath);

// Destroying: the weather and record windows go with it, its position is
// saved (not while minimised), then `programEnds` runs.
void main_window_destroying(Window& main, const ProgramState& state, const std::function<void()>& programEnds);

// Moved: the shown companions stay docked beside it.
void main_window_moved(const ProgramState& state);

// Handlers of the main window's contact actions and of the menu items
// "删除全部" and "关于".
HandlerTable main_window_contact_handlers(ProgramState& state);

// The main window's handlers: its contact actions and its created, destroying
// and moved steps. The menu items of the other features (text and workbook
// transfer, vCard and CSV, batch attribution) come from those features.
HandlerTable main_window_handlers(ProgramState& state, Text settingsPath, std::function<void()> programEnds);

// Handlers of the weather and about windows.
HandlerTable weather_window_handlers(ProgramState& state);
HandlerTable about_window_handlers();
