#include "contacts/main_window_handlers.h"

#include "attribution/carrier.h"
#include "contacts/chat.h"
#include "contacts/contact_list.h"
#include "contacts/picture_capture.h"
#include "contacts/record_editor.h"
#include "services/core/core.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/controls/html_browse_box.h"
#include "services/window/report_list.h"
#include "ui/about_window_decl.h"
#include "ui/address_book_open.h"
#include "ui/docking.h"
#include "ui/main_window_decl.h"
#include "ui/settings_address.h"
#include "ui/weather_window_decl.h"

namespace {

ReportList* ContactRows() {
    Window* main = MainWindow();
    return main ? main->list(T(MainControls::ContactList)) : nullptr;
}

// A minimised window reports far negative coordinates; its position is not kept.
bool PositionWorthSaving(int left, int top) { return left > -230 || top > -580; }

}  // namespace

Text SearchPlaceholder() { return T("姓名/首字母/号码"); }

Text weather_page_address(const ProgramState& state) {
    const Text host = ConfiguredAddress(state.settingsPath, kWeatherSettingsSection, kWeatherSettingsKey);
    return host.empty() ? Text() : host + WeatherPagePath();
}

Text WeatherPageNotSetText() { return T("未设置天气页。请在程序文件夹的 Peizhi.ini 的 [网络] 中设置 天气页地址。"); }

void set_search_placeholder(ProgramState& state) {
    state.searchPlaceholder = SearchPlaceholder();
    Control search = MainControl(MainControls::SearchBox);
    search.setTextColour(kHintGrey);
    search.setText(state.searchPlaceholder);
}

void create_contact_columns(ProgramState& state) {
    ReportList* list = ContactRows();
    if (!list) return;
    list->InsertColumn(std::nullopt, T("  姓名"), 80, ReportList::kAlignLeft);
    list->InsertColumn(std::nullopt, T("   手机"), 120, ReportList::kAlignLeft);
    fill_contact_list(state, kAllContacts);
}

void search_got_focus(ProgramState& state) {
    Control search = MainControl(MainControls::SearchBox);
    if (search.text() != state.searchPlaceholder) return;
    search.setText(Text());
    search.setTextColour(kTypedBlack);
}

void search_lost_focus(ProgramState& state) {
    Control search = MainControl(MainControls::SearchBox);
    if (!search.text().empty()) return;
    search.setTextColour(kHintGrey);
    search.setText(state.searchPlaceholder);
}

void search_changed(ProgramState& state) {
    const Text text = MainControl(MainControls::SearchBox).text();
    // Emptying the box by hand keeps the last search; only the clear button lists all.
    if (text.empty() || text == state.searchPlaceholder) return;
    fill_contact_list(state, kSearchContacts);
}

void clear_search(ProgramState& state) {
    MainControl(MainControls::SearchBox).setText(Text());
    fill_contact_list(state, kAllContacts);
    MainControl(MainControls::ClearSearchButton).setVisible(false);
    search_lost_focus(state);
}

void select_row(ProgramState& state) {
    ReportList* list = ContactRows();
    if (!list) return;
    if (state.recordWindowOpen) {
        state.selectedRow = list->currentSelection();
        show_contact(state);
    }
    state.newRecordPending = false;
    MainControl(MainControls::DeleteButton).setEnabled(true);
    if (state.recordWindowOpen) MainControl(MainControls::SaveButton).setEnabled(true);
}

void open_row(ProgramState& state) {
    ReportList* list = ContactRows();
    if (!list) return;
    state.selectedRow = list->currentSelection();
    load_record_window(state);
    SetFocus(MainControl(MainControls::ContactList));
    state.newRecordPending = false;
    if (state.recordWindowOpen) MainControl(MainControls::SaveButton).setEnabled(true);
}

void weather_hover(ProgramState&) {
    Window* weather = FindWindow("weather");
    Control sun = MainControl(MainControls::WeatherIcon);
    if (!weather || !sun) return;
    QWidget* under = WindowUnderCursor();
    if (under && under == sun.widget()) {
        dock_beside_main(*weather);
        weather->setVisible(true);
    } else {
        weather->setVisible(false);
    }
}

void weather_window_created(ProgramState& state) {
    Window* weather = FindWindow("weather");
    if (!weather) return;
    const Text address = weather_page_address(state);
    HtmlBrowseBox* page = weather->htmlBrowseBox(T(WeatherControls::Page));
    // Without a page the pop-up says where to set one rather than stay empty.
    if (address.empty() && page) page->showNotice(WeatherPageNotSetText());
    else weather->control(T(WeatherControls::Page)).setText(address);
    dock_beside_main(*weather);
}

void load_weather_window(ProgramState& state) { LoadWindow(WeatherWindowDecl(), weather_window_handlers(state)); }

void open_about_window(const ProgramState& state) {
    WindowDecl about = AboutWindowDecl();
    // The chat link goes where the record window's chat buttons go.
    for (ControlDecl& control : about.controls)
        if (control.name == T(AboutControls::ChatLink))
            control.linkTarget = chat_link_address(chat_link_prefix(state), AboutChatNumber());
    LoadWindow(about, about_window_handlers(), true);
}

HandlerTable main_window_contact_handlers(ProgramState& state) {
    using namespace MainHandlers;
    auto on = [&state](void (*procedure)(ProgramState&)) {
        return [&state, procedure](const EventArgs&) { procedure(state); };
    };
    return {
        {AvatarPressed, on(change_avatar)},
        {GroupSelected, [&state](const EventArgs&) { fill_contact_list(state, kGroupContacts); }},
        {SearchGotFocus, on(search_got_focus)},
        {SearchLostFocus, on(search_lost_focus)},
        {SearchChanged, on(search_changed)},
        {ClearSearch, on(clear_search)},
        {RowSelected, on(select_row)},
        {RowActivated, on(open_row)},
        {MenuButton, [](const EventArgs& e) { PopupMenu(&e.window, MainMenuName()); }},
        {NewContact,
         [&state](const EventArgs&) {
             new_contact(state);
             MainControl(MainControls::DeleteButton).setEnabled(false);
             MainControl(MainControls::SaveButton).setEnabled(true);
         }},
        {DeleteContact, on(delete_contact)},
        {SaveContact, on(save_contact)},
        {WeatherTick, on(weather_hover)},
        {MenuDeleteAll, on(delete_all_contacts)},
        {MenuAbout, [&state](const EventArgs&) { open_about_window(state); }},
    };
}

void main_window_created(Window& main, ProgramState& state, const Text& settingsPath) {
    state.settingsPath = settingsPath;
    if (FileExists(state.settingsPath)) {
        const int left = ToInteger(ReadIni(state.settingsPath, T(kPositionSection), T(kLeftKey), T("50")));
        const int top = ToInteger(ReadIni(state.settingsPath, T(kPositionSection), T(kTopKey), T("50")));
        main.setLeft(left);
        main.setTop(top);
    }
    DBConnection* connection = main.connection(T(MainControls::AddressBook));
    ConnectAddressBookOrExit(*connection, state.settingsPath);
    // A book written by an older version learns the carrier segments added since.
    (void)bring_carrier_segments_up_to_date(*connection);
    main.recordSet(T(MainControls::Contacts))->SetConnection(*connection);
    main.recordSet(T(MainControls::Users))->SetConnection(*connection);
    set_search_placeholder(state);
    load_weather_window(state);
    state.recordWindowOpen = false;
    create_contact_columns(state);
}

void main_window_destroying(Window& main, const ProgramState& state, const std::function<void()>& programEnds) {
    DestroyWindow("weather", true);
    if (state.recordWindowOpen) DestroyWindow("record", true);
    const int left = main.left();
    const int top = main.top();
    if (PositionWorthSaving(left, top)) {
        WriteIni(state.settingsPath, T(kPositionSection), T(kLeftKey), TextOf(left));
        WriteIni(state.settingsPath, T(kPositionSection), T(kTopKey), TextOf(top));
    }
    programEnds();
}

void main_window_moved(const ProgramState& state) {
    if (Window* weather = FindWindow("weather"); weather && weather->visible()) dock_beside_main(*weather);
    if (state.recordWindowOpen)
        if (Window* record = FindWindow("record")) dock_beside_main(*record);
}

HandlerTable main_window_handlers(ProgramState& state, Text settingsPath, std::function<void()> programEnds) {
    HandlerTable table = main_window_contact_handlers(state);
    table[MainHandlers::Created] = [&state, settingsPath](const EventArgs& e) {
        main_window_created(e.window, state, settingsPath);
    };
    table[MainHandlers::Destroying] = [&state, programEnds](const EventArgs& e) {
        main_window_destroying(e.window, state, programEnds);
    };
    table[MainHandlers::Moved] = [&state](const EventArgs&) { main_window_moved(state); };
    return table;
}

HandlerTable weather_window_handlers(ProgramState& state) {
    return {{WeatherHandlers::Created, [&state](const EventArgs&) { weather_window_created(state); }}};
}

HandlerTable about_window_handlers() {
    return {{AboutHandlers::Confirm, [](const EventArgs& e) { DestroyWindow(&e.window); }}};
}
