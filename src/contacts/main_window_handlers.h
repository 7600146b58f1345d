#pragma once
// The main window's contact actions: search box and its placeholder, clear
// button, group filter, row selection and opening, the new, delete and save
// buttons, the avatar, the main menu's contact items, the weather hover, and
// the weather and about windows.

#include "services/window/window.h"
#include "ui/program_state.h"

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

// Handlers of the main window's contact actions and of the menu items
// "删除全部" and "关于". The program adds the window's created, destroying and
// moved handlers and the other menu items.
HandlerTable main_window_contact_handlers(ProgramState& state);

// Handlers of the weather and about windows.
HandlerTable weather_window_handlers(ProgramState& state);
HandlerTable about_window_handlers();
