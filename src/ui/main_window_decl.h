#pragma once
// The main window: the contact list with its search box and group box, the
// user banner and avatar, the weather icon, the menu button and the new,
// delete and save buttons.

#include "services/window/decl.h"

// Handler names the declaration binds.
namespace MainHandlers {
inline constexpr const char* Created = "main_created";
inline constexpr const char* Destroying = "main_destroying";
inline constexpr const char* Moved = "main_moved";
inline constexpr const char* AvatarPressed = "main_avatar_pressed";
inline constexpr const char* GroupSelected = "main_group_selected";
inline constexpr const char* SearchGotFocus = "main_search_got_focus";
inline constexpr const char* SearchLostFocus = "main_search_lost_focus";
inline constexpr const char* SearchChanged = "main_search_changed";
inline constexpr const char* ClearSearch = "main_clear_search";
inline constexpr const char* RowSelected = "main_row_selected";
inline constexpr const char* RowActivated = "main_row_activated";
inline constexpr const char* MenuButton = "main_menu_button";
inline constexpr const char* NewContact = "main_new_contact";
inline constexpr const char* DeleteContact = "main_delete_contact";
inline constexpr const char* SaveContact = "main_save_contact";
inline constexpr const char* WeatherTick = "main_weather_tick";
// The main menu's items.
inline constexpr const char* MenuTextImport = "menu_text_import";
inline constexpr const char* MenuImportExport = "menu_import_export";
inline constexpr const char* MenuImportVCard = "menu_import_vcard";
inline constexpr const char* MenuExportVCard = "menu_export_vcard";
inline constexpr const char* MenuImportCsv = "menu_import_csv";
inline constexpr const char* MenuExportCsv = "menu_export_csv";
inline constexpr const char* MenuDeleteAll = "menu_delete_all";
inline constexpr const char* MenuBatch = "menu_batch";
inline constexpr const char* MenuAbout = "menu_about";
}  // namespace MainHandlers

// The name of the main menu (popped up by the menu button).
Text MainMenuName();  // "主菜单"

// The grey of the search placeholder and of the group box; typed text is black.
inline constexpr Colour kHintGrey = Rgb(128, 128, 128);
inline constexpr Colour kTypedBlack = Rgb(0, 0, 0);

// The file dialog of the vCard and CSV items of the main menu.
Text ExchangeDialogName();  // "通用对话框_交换"

// The picture dialogs' filter (main window's 通用对话框2, record window's 通用对话框1).
Text PhotoFileFilter();

WindowDecl MainWindowDecl();

// The open main window and its parts by name; nothing (a null pointer, an
// empty control) while the main window is not open.
class Window;
class Control;
class DBConnection;
Window* MainWindow();
Control MainControl(const char* name);
DBConnection* MainAddressBook();  // 数据库连接1: the address book every feature writes to
