// The login window through its real widgets: the user list, sign-in with a
// wrong name, a wrong password and the right one, account upkeep, passwords
// stored as hashes and the slowing down of repeated wrong passwords.

#include "accounts/login.h"
#include "accounts/sign_in_throttle.h"
#include "support/stages/program_fixture.h"
#include "ui/combo_text.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/pictures/pictures.h"

#include <QComboBox>
#include <QRadioButton>

#include <sodium.h>

#include <sys/stat.h>
#include <chrono>
#include <utility>

namespace {

constexpr char kHashPrefix[] = "$argon2id$";

// Checked with libsodium itself, not with the program's own comparison.
bool HashHolds(const std::string& stored, const std::string& utf8Password) {
    const std::string gbk = Text::fromUtf8(utf8Password).bytes();
    return stored.rfind(kHashPrefix, 0) == 0 && sodium_init() >= 0 &&
           crypto_pwhash_str_verify(stored.c_str(), gbk.data(), gbk.size()) == 0;
}

class Login : public ProgramFixture {
protected:
    Window* login() { return FindWindow("login"); }
    Control control(const char* name) { return login()->control(T(name)); }
    QComboBox* names() { return qobject_cast<QComboBox*>(control(LoginControls::UserNameBox).widget()); }
    std::vector<std::string> nameItems() { return itemsOf(*login(), LoginControls::UserNameBox); }
    void choose(const std::string& name) { chooseItem(*login(), LoginControls::UserNameBox, name); }
    // Enters account edit mode as the chosen user.
    void enterEditMode(const std::string& name, const std::string& password) {
        choose(name);
        typePassword(password);
        click(*login(), LoginControls::AccountButton);
        ASSERT_EQ(control(LoginControls::AccountButton).text(), T("确认"));
    }
    void typeName(const std::string& name) {
        // The name box takes typed text in account edit mode.
        type(*login(), LoginControls::UserNameBox, name);
    }
    void check(const char* radio) {
        click(*login(), radio);
        ASSERT_TRUE(control(radio).checked());
    }
    // name/password with a hash shown as "#", and the stored 密码 texts.
    std::vector<std::string> storedUsers() {
        return query(
            "SELECT 用户名 || '/' || CASE WHEN 密码 LIKE '$argon2id$%' THEN '#' ELSE ifnull(密码, '') END"
            " FROM 用户 ORDER BY rowid");
    }
    std::string storedPassword(const std::string& name) {
        const auto rows = query("SELECT ifnull(密码, '') FROM 用户 WHERE 用户名 = '" + name + "'");
        return rows.size() == 1 ? rows[0] : "(not one row)";
    }
    void tryPassword(const std::string& password, const char* button = LoginControls::SignInButton) {
        typePassword(password);
        click(*login(), button);
        settle();
    }
};

// The login window with a clock the test moves by hand.
class Throttled : public Login {
protected:
    Throttled() {
        LoginThrottle().setClock([this] { return now_; });
    }
    ~Throttled() override { LoginThrottle().setClock({}); }
    void wait(int seconds) { now_ += std::chrono::seconds(seconds); }
    std::chrono::steady_clock::time_point now_{std::chrono::hours(1000)};
};

}  // namespace

TEST_F(Login, ListsTheUsersInNameOrderAndShowsTheLast) {
    addUser("carol", "c");
    addUser("bob", "b");
    start();
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin", "bob", "carol"}));
    EXPECT_EQ(control(LoginControls::UserNameBox).text().toUtf8(), "carol");
    EXPECT_EQ(login()->title().toUtf8(), "Varelo2013版");
    EXPECT_EQ(login()->width(), 269);
}

TEST_F(Login, WrongPasswordSaysSoAndKeepsTheWindow) {
    start();
    typePassword("654321");
    click(*login(), LoginControls::SignInButton);
    settle();
    ASSERT_EQ(messages_->shown.size(), 1u);
    EXPECT_EQ(messages_->shown[0].text.toUtf8(), "  密码错误！ ");
    EXPECT_EQ(messages_->shown[0].caption.toUtf8(), "提示！");
    EXPECT_EQ(messages_->shown[0].flags & MessageStyle::kIconMask, MessageStyle::kInformation);
    EXPECT_NE(login(), nullptr);
    EXPECT_EQ(FindWindow("main"), nullptr);
    EXPECT_EQ(control(LoginControls::PasswordBox).text().toUtf8(), "654321");
}

TEST_F(Login, UnknownNameSaysSo) {
    addUser("bob", "b");
    start();
    // A name no account has (letter case differs): the box is made to show it.
    SetComboEditable(control(LoginControls::UserNameBox), true);
    SetComboText(control(LoginControls::UserNameBox), T("Admin"));
    typePassword("123456");
    EXPECT_FALSE(check_credentials(program_->state()));
    ASSERT_EQ(messages_->shown.size(), 1u);
    EXPECT_EQ(messages_->shown[0].text.toUtf8(), "  没有此用户！ ");
    EXPECT_EQ(messages_->shown[0].caption.toUtf8(), "提示！");
}

TEST_F(Login, RightPasswordOpensTheMainWindowWithTheUserBanner) {
    addUser("bob", "b");
    start();
    choose("admin");
    typePassword("123456");
    click(*login(), LoginControls::SignInButton);
    settle();
    EXPECT_TRUE(messages_->shown.empty());
    EXPECT_EQ(FindWindow("login"), nullptr);
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->control(T(MainControls::UserLabel)).text().toUtf8(), "用户：admin");
    EXPECT_EQ(main->control(T(MainControls::Avatar)).picture(), PictureResource(Pictures::DefaultAvatar));
    EXPECT_EQ(program_->state().userPosition, 0);
    EXPECT_EQ(program_->state().userName.toUtf8(), "admin");
}

TEST_F(Login, EnterInThePasswordBoxSignsInAndInEditModeConfirms) {
    start();
    // A wrong password: Enter checks it as the button would.
    typePassword("wrong");
    pressKey(*login(), LoginControls::PasswordBox, Qt::Key_Return);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    EXPECT_EQ(FindWindow("main"), nullptr);

    // In account edit mode Enter confirms the change.
    enterEditMode("admin", "123456");
    typePassword("s3cret");
    pressKey(*login(), LoginControls::PasswordBox, Qt::Key_Enter);
    EXPECT_EQ(storedUsers().size(), 1u);
    EXPECT_TRUE(HashHolds(storedPassword("admin"), "s3cret"));
    EXPECT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "修改密码");
    EXPECT_EQ(FindWindow("main"), nullptr);

    typePassword("s3cret");
    pressKey(*login(), LoginControls::PasswordBox, Qt::Key_Return);
    settle();
    EXPECT_EQ(FindWindow("login"), nullptr);
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("main")->control(T(MainControls::UserLabel)).text().toUtf8(), "用户：admin");
}

TEST_F(Login, SignInShowsTheStoredAvatarAndRemembersTheRow) {
    const Bytes avatar = PictureResource(Pictures::WeatherIcon);
    addUser("bob", "b", avatar);
    signIn("b");
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->control(T(MainControls::Avatar)).picture(), avatar);
    EXPECT_EQ(program_->state().userPosition, 1);
}

TEST_F(Login, AnAvatarStartingWithAZeroByteCountsAsNone) {
    addUser("bob", "b", Bytes{0, 1, 2, 3});
    signIn("b");
    EXPECT_EQ(FindWindow("main")->control(T(MainControls::Avatar)).picture(), PictureResource(Pictures::DefaultAvatar));
}

TEST_F(Login, EmptyUserTableSignsInWithAnEmptyPassword) {
    execSql("DELETE FROM 用户");
    start();
    EXPECT_TRUE(nameItems().empty());
    click(*login(), LoginControls::SignInButton);
    settle();
    EXPECT_TRUE(messages_->shown.empty());
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("main")->control(T(MainControls::UserLabel)).text().toUtf8(), "用户：");
}

TEST_F(Login, EditModeNeedsTheRightPassword) {
    start();
    typePassword("wrong");
    click(*login(), LoginControls::AccountButton);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    EXPECT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "修改密码");
    EXPECT_TRUE(control(LoginControls::SignInButton).visible());
    EXPECT_FALSE(control(LoginControls::AddRadio).visible());
}

TEST_F(Login, ModifyChangesThePassword) {
    start();
    enterEditMode("admin", "123456");
    EXPECT_FALSE(control(LoginControls::SignInButton).visible());
    for (const char* radio : {LoginControls::ModifyRadio, LoginControls::AddRadio, LoginControls::DeleteRadio})
        EXPECT_TRUE(control(radio).visible());
    EXPECT_TRUE(control(LoginControls::ModifyRadio).checked());
    EXPECT_EQ(names()->count(), 0);
    EXPECT_EQ(control(LoginControls::UserNameBox).text().toUtf8(), "admin");
    EXPECT_TRUE(control(LoginControls::PasswordBox).text().empty());

    typePassword("s3cret");
    click(*login(), LoginControls::AccountButton);
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/#"}));
    EXPECT_TRUE(HashHolds(storedPassword("admin"), "s3cret"));
    EXPECT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "修改密码");
    EXPECT_TRUE(control(LoginControls::SignInButton).visible());
    EXPECT_FALSE(control(LoginControls::ModifyRadio).visible());
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin"}));

    // The new password signs in, the old one no longer does.
    typePassword("123456");
    click(*login(), LoginControls::SignInButton);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    typePassword("s3cret");
    click(*login(), LoginControls::SignInButton);
    settle();
    EXPECT_NE(FindWindow("main"), nullptr);
}

TEST_F(Login, AddStoresATypedNewAccount) {
    start();
    enterEditMode("admin", "123456");
    check(LoginControls::AddRadio);
    typeName("张三");
    typePassword("pw");
    click(*login(), LoginControls::AccountButton);
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/#", "张三/#"}));
    EXPECT_TRUE(HashHolds(storedPassword("张三"), "pw"));
    EXPECT_TRUE(HashHolds(storedPassword("admin"), "123456"));
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin", "张三"}));
    EXPECT_EQ(names()->isEditable(), false);

    // The new account signs in.
    choose("张三");
    typePassword("pw");
    click(*login(), LoginControls::SignInButton);
    settle();
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("main")->control(T(MainControls::UserLabel)).text().toUtf8(), "用户：张三");
}

TEST_F(Login, DeleteRemovesTheVerifiedAccount) {
    addUser("bob", "b");
    start();
    enterEditMode("bob", "b");
    check(LoginControls::DeleteRadio);
    click(*login(), LoginControls::AccountButton);
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/123456"}));
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin"}));
    EXPECT_EQ(control(LoginControls::UserNameBox).text().toUtf8(), "admin");
    EXPECT_TRUE(control(LoginControls::SignInButton).visible());
}

TEST_F(Login, DeletingTheOnlyAccountEmptiesTheList) {
    start();
    enterEditMode("admin", "123456");
    check(LoginControls::DeleteRadio);
    click(*login(), LoginControls::AccountButton);
    EXPECT_TRUE(storedUsers().empty());
    EXPECT_TRUE(nameItems().empty());
    EXPECT_TRUE(control(LoginControls::UserNameBox).text().empty());
}

TEST_F(Login, APlainTextPasswordSignsInOnceAndIsHashedThen) {
    addUser("bob", "b");
    start();
    // A wrong password leaves the row as it was.
    choose("admin");
    tryPassword("12345");
    EXPECT_EQ(storedPassword("admin"), "123456");

    tryPassword("123456");
    ASSERT_NE(FindWindow("main"), nullptr);
    const std::string stored = storedPassword("admin");
    EXPECT_NE(stored, "123456");
    EXPECT_TRUE(HashHolds(stored, "123456")) << stored;
    EXPECT_EQ(storedPassword("bob"), "b");  // only the verified row

    // Next time the hash is what signs in, with the same answers as before.
    DestroyWindow("main", true);
    settle();
    start();
    choose("admin");
    tryPassword("12345");
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    EXPECT_EQ(storedPassword("admin"), stored);
    tryPassword("123456");
    EXPECT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(storedPassword("admin"), stored);  // a current hash is kept
}

TEST_F(Login, TheStoredHashIsNotAPasswordThatSignsIn) {
    start();
    tryPassword("123456", LoginControls::AccountButton);
    typePassword("s3cret");
    click(*login(), LoginControls::AccountButton);
    const std::string stored = storedPassword("admin");
    ASSERT_TRUE(HashHolds(stored, "s3cret"));
    tryPassword(stored);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    EXPECT_EQ(FindWindow("main"), nullptr);
}

TEST_F(Login, AnEmptyPasswordIsStoredAsAHashAndSignsIn) {
    start();
    tryPassword("123456", LoginControls::AccountButton);
    typePassword("");
    click(*login(), LoginControls::AccountButton);
    EXPECT_TRUE(HashHolds(storedPassword("admin"), ""));
    tryPassword("");
    EXPECT_NE(FindWindow("main"), nullptr);
}

TEST_F(Throttled, AfterFiveWrongPasswordsEachTryWaitsLonger) {
    start();
    for (int i = 0; i < 5; ++i) tryPassword("wrong");
    EXPECT_EQ(messages_->shown.size(), 5u);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");

    // Too soon: refused at once, even with the right password, and not counted.
    tryPassword("123456");
    EXPECT_EQ(messages_->lastText(), "  密码错误次数过多，请 1 秒后再试！ ");
    EXPECT_EQ(messages_->shown.back().caption.toUtf8(), "提示！");
    EXPECT_EQ(FindWindow("main"), nullptr);
    EXPECT_EQ(storedPassword("admin"), "123456");
    // Entering account edit mode is a try like any other.
    tryPassword("123456", LoginControls::AccountButton);
    EXPECT_EQ(messages_->lastText(), "  密码错误次数过多，请 1 秒后再试！ ");
    EXPECT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "修改密码");

    // Each further wrong password doubles the wait: 2 s, then 4 s. Seconds
    // waited before each wrong password, and the answer.
    const std::pair<int, const char*> waitsAndAnswers[] = {{1, "  密码错误！ "},
                                                           {0, "  密码错误次数过多，请 2 秒后再试！ "},
                                                           {1, "  密码错误次数过多，请 1 秒后再试！ "},
                                                           {1, "  密码错误！ "},
                                                           {0, "  密码错误次数过多，请 4 秒后再试！ "}};
    for (const auto& [seconds, answer] : waitsAndAnswers) {
        wait(seconds);
        tryPassword("wrong");
        EXPECT_EQ(messages_->lastText(), answer) << "after " << seconds << " s";
    }

    // Once waited out, the right password signs in.
    wait(4);
    tryPassword("123456");
    EXPECT_NE(FindWindow("main"), nullptr);
}

TEST_F(Throttled, ARightPasswordStartsTheCountAfresh) {
    start();
    for (int i = 0; i < 4; ++i) tryPassword("wrong");
    tryPassword("123456", LoginControls::AccountButton);  // right: into account edit mode
    ASSERT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "确认");
    typePassword("123456");
    click(*login(), LoginControls::AccountButton);  // back to normal mode
    const std::size_t before = messages_->shown.size();
    for (int i = 0; i < 5; ++i) tryPassword("wrong");
    EXPECT_EQ(messages_->shown.size(), before + 5);
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
}

TEST(SignInThrottleDelays, DoubleFromOneSecondUpToThirty) {
    std::vector<long long> delays;
    for (int failures = 0; failures <= 12; ++failures) delays.push_back(SignInThrottle::delayAfter(failures).count());
    EXPECT_EQ(delays, (std::vector<long long>{0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 30, 30, 30}));
}

TEST_F(Login, AccountChangesTheBookRefusesAreReportedAndNothingChanges) {
    addUser("bob", "b");
    ASSERT_EQ(chmod(bookPath().c_str(), 0444), 0);
    start();
    const auto before = storedUsers();
    const auto expectFailure = [&](const std::string& what) {
        ASSERT_FALSE(messages_->shown.empty()) << what;
        EXPECT_EQ(messages_->lastText().rfind(what, 0), 0u) << messages_->lastText();
        EXPECT_NE(messages_->lastText().find("readonly"), std::string::npos) << messages_->lastText();
        EXPECT_EQ(storedUsers(), before);
        EXPECT_EQ(control(LoginControls::AccountButton).text().toUtf8(), "修改密码");
        messages_->shown.clear();
    };

    enterEditMode("bob", "b");
    typePassword("new");
    click(*login(), LoginControls::AccountButton);
    expectFailure("保存失败！");

    enterEditMode("bob", "b");
    check(LoginControls::AddRadio);
    typeName("carol");
    typePassword("c");
    click(*login(), LoginControls::AccountButton);
    expectFailure("保存失败！");

    enterEditMode("bob", "b");
    check(LoginControls::DeleteRadio);
    click(*login(), LoginControls::AccountButton);
    expectFailure("删除失败！");
}
