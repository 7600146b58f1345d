#include "accounts/login.h"

#include "accounts/password_hash.h"
#include "accounts/sign_in_throttle.h"
#include "data/address_book.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "ui/address_book_open.h"
#include "ui/combo_text.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"

namespace {

Window* Login() { return FindWindow("login"); }

RecordSet* Users(Window& login) { return login.recordSet(T(LoginControls::Users)); }

Control Ctl(Window& w, const char* name) { return w.control(T(name)); }

bool InAccountEditMode(Window& login) { return Ctl(login, LoginControls::AccountButton).text() != T("修改密码"); }

void ShowEditControls(Window& login, bool editing) {
    Ctl(login, LoginControls::SignInButton).setVisible(!editing);
    for (const char* radio : {LoginControls::ModifyRadio, LoginControls::AddRadio, LoginControls::DeleteRadio})
        Ctl(login, radio).setVisible(editing);
    Ctl(login, LoginControls::AccountButton).setText(editing ? T("确认") : T("修改密码"));
    // Only in edit mode can a new name be typed, for "添加".
    SetComboEditable(Ctl(login, LoginControls::UserNameBox), editing);
}

// After five wrong passwords a try made before its delay is over is refused
// with a message; it neither checks nor counts.
bool RefusedByThrottle() {
    const int wait = LoginThrottle().secondsToWait();
    if (wait == 0) return false;
    ShowMessage(T("  密码错误次数过多，请 ") + TextOf(wait) + T(" 秒后再试！ "), MessageStyle::kInformation,
                T("提示！"));
    return true;
}

// A password kept in plain text (or hashed with other costs) is replaced by
// its hash once it has proven right; the verified row stays current.
void UpgradeStoredPassword(RecordSet& users, const Text& typed, ProgramState& state) {
    if (!PasswordNeedsRehash(state.userPassword)) return;
    const std::optional<Text> hash = HashPassword(typed);
    if (hash && users.WriteText(T("密码"), *hash) && users.Update()) state.userPassword = *hash;
}

// An account change the book did not store: said so, with the book's reason.
void ReportAccountFailure(Window& login, const Text& what) {
    Text text = what;
    if (DBConnection* connection = login.connection(T(LoginControls::AddressBook))) {
        std::string report = connection->ErrorText().bytes();
        const std::string label = "Description: ";
        if (report.rfind(label, 0) == 0) report.erase(0, label.size());
        report = report.substr(0, report.find("\r\n"));
        if (!report.empty()) text += Text::fromBytes("\r\n") + Text::fromBytes(report);
    }
    ShowMessage(text, MessageStyle::kInformation, T("提示！"));
}

}  // namespace

void open_login_database(ProgramState& state) {
    Window* login = Login();
    if (!login) return;
    DBConnection* connection = login->connection(T(LoginControls::AddressBook));
    RecordSet* users = Users(*login);
    if (!connection || !users) return;
    ConnectAddressBookOrExit(*connection, state.settingsPath);
    LoginThrottle().reset();
    users->SetConnection(*connection);
    users->OpenTable(UsersTable(), UsersByName());
    fill_user_list(state);
}

void fill_user_list(ProgramState& state) {
    Window* login = Login();
    if (!login) return;
    RecordSet* users = Users(*login);
    Control names = Ctl(*login, LoginControls::UserNameBox);
    users->MoveFirst();
    const int n = users->RecordCount();
    for (int i = 1; i <= n; ++i) {
        state.userName = users->ReadText(T("用户名"));
        ComboAddItem(names, state.userName);
        users->MoveNext();
    }
    if (n > 0) SetComboText(names, state.userName);
}

bool check_credentials(ProgramState& state) {
    Window* login = Login();
    if (!login || RefusedByThrottle()) return false;
    RecordSet* users = Users(*login);
    const Text typedName = Ctl(*login, LoginControls::UserNameBox).text();
    users->MoveFirst();
    const int n = users->RecordCount();
    for (int i = 1; i <= n; ++i) {
        state.userName = users->ReadText(T("用户名"));
        state.userPassword = users->ReadText(T("密码"));
        if (typedName == state.userName) break;
        if (i == users->RecordCount()) {
            ShowMessage(T("  没有此用户！ "), MessageStyle::kInformation, T("提示！"));
            return false;
        }
        users->MoveNext();
    }
    const Text typed = Ctl(*login, LoginControls::PasswordBox).text();
    if (PasswordMatches(typed, state.userPassword)) {
        LoginThrottle().recordSuccess();
        // With no accounts at all there is no row to upgrade.
        if (n > 0) UpgradeStoredPassword(*users, typed, state);
        return true;
    }
    LoginThrottle().recordFailure();
    ShowMessage(T("  密码错误！ "), MessageStyle::kInformation, T("提示！"));
    return false;
}

void sign_in(ProgramState& state, const std::function<void()>& loadMainWindow) {
    Window* login = Login();
    if (!login || !check_credentials(state)) return;
    RecordSet* users = Users(*login);
    loadMainWindow();
    login->setVisible(false);
    if (Window* main = FindWindow("main")) {
        main->control(T(MainControls::UserLabel)).setText(T("用户：") + state.userName);
        Bytes avatar;
        users->ReadBytes(T("头像"), avatar);
        // Bytes that read as no text (none, or a leading zero byte) are no avatar.
        if (!ToText(Value(avatar)).empty()) main->control(T(MainControls::Avatar)).setPicture(avatar);
    }
    state.userPosition = users->Position();
    DestroyWindow(login);
}

void account_button(ProgramState& state) {
    Window* login = Login();
    if (!login) return;
    Control names = Ctl(*login, LoginControls::UserNameBox);
    Control password = Ctl(*login, LoginControls::PasswordBox);
    if (!InAccountEditMode(*login)) {
        if (!check_credentials(state)) return;
        ComboClear(names);
        ShowEditControls(*login, true);
        SetComboText(names, state.userName);
        password.setText(Text());
        return;
    }

    RecordSet* users = Users(*login);
    const bool modify = Ctl(*login, LoginControls::ModifyRadio).checked();
    const bool add = Ctl(*login, LoginControls::AddRadio).checked();
    if (modify || add) {
        // Only the hash is ever stored; without one nothing changes.
        const std::optional<Text> hash = HashPassword(password.text());
        if (!hash) {
            ShowMessage(T("  密码无法加密保存，账户未作修改！ "), MessageStyle::kInformation, T("提示！"));
            return;
        }
        // Without a new row the writes would change the verified account.
        const bool stored = (modify || users->AddNew()) && users->WriteText(T("用户名"), names.text()) &&
                            users->WriteText(T("密码"), *hash) && users->Update();
        ShowEditControls(*login, false);
        if (!stored) ReportAccountFailure(*login, T("保存失败！"));
    } else {
        const bool deleted = users->Delete(RecordSet::kCurrentRow);
        ShowEditControls(*login, false);
        ComboClear(names);
        SetComboText(names, Text());
        if (!deleted) ReportAccountFailure(*login, T("删除失败！"));
    }
    // The list shows the table as it now is: reopen it so that positions and
    // names follow the change, then list the names afresh.
    users->OpenTable(UsersTable(), UsersByName());
    ComboClear(names);
    fill_user_list(state);
}

void password_enter(ProgramState& state, const std::function<void()>& loadMainWindow) {
    Window* login = Login();
    if (!login) return;
    // Enter does what the visible confirming button does.
    if (InAccountEditMode(*login)) account_button(state);
    else sign_in(state, loadMainWindow);
}

HandlerTable login_window_handlers(ProgramState& state, std::function<void()> loadMainWindow) {
    return {
        {LoginHandlers::SignIn, [&state, loadMainWindow](const EventArgs&) { sign_in(state, loadMainWindow); }},
        {LoginHandlers::AccountButton, [&state](const EventArgs&) { account_button(state); }},
        {LoginHandlers::PasswordEnter,
         [&state, loadMainWindow](const EventArgs&) { password_enter(state, loadMainWindow); }},
    };
}
