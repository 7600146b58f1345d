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

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace MainControls {
inline constexpr const char* Banner = "图片框1";
inline constexpr const char* AvatarFrame = "图片框_头像底图";
inline constexpr const char* Avatar = "图片框_头像";
inline constexpr const char* UserLabel = "透明标签_用户";
inline constexpr const char* WeatherIcon = "图片框_太阳";
inline constexpr const char* TitleLabel = "透明标签2";
inline constexpr const char* GroupFilter = "组合框_查询";
inline constexpr const char* SearchBox = "编辑框_搜索";
inline constexpr const char* SearchIcon = "图片框_搜索";
inline constexpr const char* ClearSearchButton = "按钮_X";
inline constexpr const char* ContactList = "超级列表框1";
inline constexpr const char* Footer = "图片框2";
inline constexpr const char* MenuButton = "图形按钮1";
inline constexpr const char* CountLabel = "透明标签_记录数";
inline constexpr const char* NewButton = "图形按钮_新建";
inline constexpr const char* DeleteButton = "图形按钮_删除";
inline constexpr const char* SaveButton = "图形按钮_保存";
inline constexpr const char* PhotoDialog = "通用对话框2";
inline constexpr const char* ExchangeDialog = "通用对话框_交换";  // the vCard and CSV items' file dialog
inline constexpr const char* WeatherTimer = "时钟_打开天气";
inline constexpr const char* SpareTimer = "时钟1";  // declared, never started
inline constexpr const char* AddressBook = "数据库连接1";
inline constexpr const char* Contacts = "记录集1";  // the listed contacts
inline constexpr const char* Users = "记录集2";     // the signed-in user's row (avatar)
inline constexpr const char* Menu = "主菜单";       // the menu the menu button pops up
}  // namespace MainControls

// The name of the main menu (popped up by the menu button).
Text MainMenuName();  // MainControls::Menu

// The grey of the search placeholder and of the group box; typed text is black.
inline constexpr Colour kHintGrey = Rgb(128, 128, 128);
inline constexpr Colour kTypedBlack = Rgb(0, 0, 0);

// The file dialog of the vCard and CSV items of the main menu.
Text ExchangeDialogName();  // MainControls::ExchangeDialog

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
