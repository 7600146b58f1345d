// The login window through its real widgets: the user list, sign-in with a
// wrong name, a wrong password and the right one, and account upkeep.

#include "accounts/login.h"
#include "app/program_fixture.h"
#include "ui/combo_text.h"
#include "ui/pictures/pictures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <sys/stat.h>

namespace {

class Login : public ProgramFixture {
protected:
    Window* login() { return FindWindow("login"); }
    Control control(const char* name) { return login()->control(T(name)); }
    QComboBox* names() { return qobject_cast<QComboBox*>(control("组合框_用户名").widget()); }
    std::vector<std::string> nameItems() {
        std::vector<std::string> out;
        for (int i = 0; i < names()->count(); ++i) out.push_back(names()->itemText(i).toStdString());
        return out;
    }
    void choose(const std::string& name) {
        const int index = names()->findText(QString::fromStdString(name));
        ASSERT_GE(index, 0) << name;
        names()->setCurrentIndex(index);
    }
    // Enters account edit mode as the chosen user.
    void enterEditMode(const std::string& name, const std::string& password) {
        choose(name);
        typePassword(password);
        clickButton(login(), "按钮_修改密码");
        ASSERT_EQ(control("按钮_修改密码").text(), T("确认"));
    }
    void typeName(const std::string& name) {
        QLineEdit* edit = names()->lineEdit();
        ASSERT_NE(edit, nullptr) << "the name box takes typed text in account edit mode";
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        typeText(edit, QString::fromStdString(name));
    }
    void check(const char* radio) {
        QTest::mouseClick(control(radio).widget(), Qt::LeftButton);
        ASSERT_TRUE(control(radio).checked());
    }
    std::vector<std::string> storedUsers() {
        return query("SELECT 用户名 || '/' || ifnull(密码, '') FROM 用户 ORDER BY rowid");
    }
};

}  // namespace

TEST_F(Login, ListsTheUsersInNameOrderAndShowsTheLast) {
    addUser("carol", "c");
    addUser("bob", "b");
    start();
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin", "bob", "carol"}));
    EXPECT_EQ(control("组合框_用户名").text().toUtf8(), "carol");
    EXPECT_EQ(login()->title().toUtf8(), "Varelo2013版");
    EXPECT_EQ(login()->width(), 269);
}

TEST_F(Login, WrongPasswordSaysSoAndKeepsTheWindow) {
    start();
    typePassword("654321");
    clickButton(login(), "按钮_登陆");
    settle();
    ASSERT_EQ(messages_->shown.size(), 1u);
    EXPECT_EQ(messages_->shown[0].text.toUtf8(), "  密码错误！ ");
    EXPECT_EQ(messages_->shown[0].caption.toUtf8(), "提示！");
    EXPECT_EQ(messages_->shown[0].flags & 0xF0, 64);
    EXPECT_NE(login(), nullptr);
    EXPECT_EQ(FindWindow("main"), nullptr);
    EXPECT_EQ(control("编辑框_密码").text().toUtf8(), "654321");
}

TEST_F(Login, UnknownNameSaysSo) {
    addUser("bob", "b");
    start();
    // A name no account has (letter case differs): the box is made to show it.
    SetComboEditable(control("组合框_用户名"), true);
    SetComboText(control("组合框_用户名"), T("Admin"));
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
    clickButton(login(), "按钮_登陆");
    settle();
    EXPECT_TRUE(messages_->shown.empty());
    EXPECT_EQ(FindWindow("login"), nullptr);
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->control(T("透明标签_用户")).text().toUtf8(), "用户：admin");
    EXPECT_EQ(main->control(T("图片框_头像")).picture(), PictureResource(Pictures::DefaultAvatar));
    EXPECT_EQ(program_->state().userPosition, 0);
    EXPECT_EQ(program_->state().userName.toUtf8(), "admin");
}

TEST_F(Login, SignInShowsTheStoredAvatarAndRemembersTheRow) {
    const Bytes avatar = PictureResource(Pictures::WeatherIcon);
    addUser("bob", "b", avatar);
    signIn("b");
    Window* main = FindWindow("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->control(T("图片框_头像")).picture(), avatar);
    EXPECT_EQ(program_->state().userPosition, 1);
}

TEST_F(Login, AnAvatarStartingWithAZeroByteCountsAsNone) {
    addUser("bob", "b", Bytes{0, 1, 2, 3});
    signIn("b");
    EXPECT_EQ(FindWindow("main")->control(T("图片框_头像")).picture(), PictureResource(Pictures::DefaultAvatar));
}

TEST_F(Login, EmptyUserTableSignsInWithAnEmptyPassword) {
    execSql("DELETE FROM 用户");
    start();
    EXPECT_TRUE(nameItems().empty());
    clickButton(login(), "按钮_登陆");
    settle();
    EXPECT_TRUE(messages_->shown.empty());
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("main")->control(T("透明标签_用户")).text().toUtf8(), "用户：");
}

TEST_F(Login, EditModeNeedsTheRightPassword) {
    start();
    typePassword("wrong");
    clickButton(login(), "按钮_修改密码");
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    EXPECT_EQ(control("按钮_修改密码").text().toUtf8(), "修改密码");
    EXPECT_TRUE(control("按钮_登陆").visible());
    EXPECT_FALSE(control("单选框_添加").visible());
}

TEST_F(Login, ModifyChangesThePassword) {
    start();
    enterEditMode("admin", "123456");
    EXPECT_FALSE(control("按钮_登陆").visible());
    for (const char* radio : {"单选框_修改", "单选框_添加", "单选框_删除"}) EXPECT_TRUE(control(radio).visible());
    EXPECT_TRUE(control("单选框_修改").checked());
    EXPECT_EQ(names()->count(), 0);
    EXPECT_EQ(control("组合框_用户名").text().toUtf8(), "admin");
    EXPECT_TRUE(control("编辑框_密码").text().empty());

    typePassword("s3cret");
    clickButton(login(), "按钮_修改密码");
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/s3cret"}));
    EXPECT_EQ(control("按钮_修改密码").text().toUtf8(), "修改密码");
    EXPECT_TRUE(control("按钮_登陆").visible());
    EXPECT_FALSE(control("单选框_修改").visible());
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin"}));

    // The new password signs in, the old one no longer does.
    typePassword("123456");
    clickButton(login(), "按钮_登陆");
    EXPECT_EQ(messages_->lastText(), "  密码错误！ ");
    typePassword("s3cret");
    clickButton(login(), "按钮_登陆");
    settle();
    EXPECT_NE(FindWindow("main"), nullptr);
}

TEST_F(Login, AddStoresATypedNewAccount) {
    start();
    enterEditMode("admin", "123456");
    check("单选框_添加");
    typeName("张三");
    typePassword("pw");
    clickButton(login(), "按钮_修改密码");
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/123456", "张三/pw"}));
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin", "张三"}));
    EXPECT_EQ(names()->isEditable(), false);

    // The new account signs in.
    choose("张三");
    typePassword("pw");
    clickButton(login(), "按钮_登陆");
    settle();
    ASSERT_NE(FindWindow("main"), nullptr);
    EXPECT_EQ(FindWindow("main")->control(T("透明标签_用户")).text().toUtf8(), "用户：张三");
}

TEST_F(Login, DeleteRemovesTheVerifiedAccount) {
    addUser("bob", "b");
    start();
    enterEditMode("bob", "b");
    check("单选框_删除");
    clickButton(login(), "按钮_修改密码");
    EXPECT_EQ(storedUsers(), (std::vector<std::string>{"admin/123456"}));
    EXPECT_EQ(nameItems(), (std::vector<std::string>{"admin"}));
    EXPECT_EQ(control("组合框_用户名").text().toUtf8(), "admin");
    EXPECT_TRUE(control("按钮_登陆").visible());
}

TEST_F(Login, DeletingTheOnlyAccountEmptiesTheList) {
    start();
    enterEditMode("admin", "123456");
    check("单选框_删除");
    clickButton(login(), "按钮_修改密码");
    EXPECT_TRUE(storedUsers().empty());
    EXPECT_TRUE(nameItems().empty());
    EXPECT_TRUE(control("组合框_用户名").text().empty());
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
        EXPECT_EQ(control("按钮_修改密码").text().toUtf8(), "修改密码");
        messages_->shown.clear();
    };

    enterEditMode("bob", "b");
    typePassword("new");
    clickButton(login(), "按钮_修改密码");
    expectFailure("保存失败！");

    enterEditMode("bob", "b");
    check("单选框_添加");
    typeName("carol");
    typePassword("c");
    clickButton(login(), "按钮_修改密码");
    expectFailure("保存失败！");

    enterEditMode("bob", "b");
    check("单选框_删除");
    clickButton(login(), "按钮_修改密码");
    expectFailure("删除失败！");
}
