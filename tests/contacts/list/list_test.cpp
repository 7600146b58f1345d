// The main window's contact list through its real widgets: all contacts in
// name order, search as the user types (digits, pinyin initials, quotes), the
// placeholder, the clear button, the group filter and the button states.

#include "contacts/contact_list.h"
#include "services/db/record_set.h"
#include "services/window/report_list.h"
#include "services/window/window_impl.h"
#include "support/stages/program_fixture.h"
#include "ui/main_window_decl.h"
#include "ui/record_window_decl.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

class ContactList : public ProgramFixture {
protected:
    void SetUp() override {
        addContacts({
            {"张三", "13800000001", "zs", "同事"},
            {"李四", "13912345678", "ls", "同事"},
            {"王五", "15000000013", "ww", "家人"},
            {"赵六", "18600000000", "zl", ""},
            {"O'Brien", "17700000000", "ob", ""},
        });
    }
    Window* main() { return FindWindow("main"); }
    Control control(const char* name) { return main()->control(T(name)); }
    QLineEdit* searchBox() { return qobject_cast<QLineEdit*>(control(MainControls::SearchBox).widget()); }
    QComboBox* groupBox() { return qobject_cast<QComboBox*>(control(MainControls::GroupFilter).widget()); }
    ReportList* list() { return main()->list(T(MainControls::ContactList)); }
    std::string count() { return control(MainControls::CountLabel).text().toUtf8(); }
    // Focus into the search box, as a click would, then type.
    void focusSearch() {
        main()->widget()->activateWindow();
        searchBox()->setFocus(Qt::MouseFocusReason);
        settle();
    }
    void typeSearch(const QString& text) {
        focusSearch();
        typeText(searchBox(), text);
    }
    void leaveSearch() {
        list()->setFocus(Qt::MouseFocusReason);
        settle();
    }
    std::vector<std::string> groupItems() { return itemsOf(*main(), MainControls::GroupFilter); }
    void chooseGroup(const std::string& group) { chooseItem(*main(), MainControls::GroupFilter, group); }
};

}  // namespace

TEST_F(ContactList, ListsAllContactsInPinyinOrderWithTheirCount) {
    loadMain();
    ASSERT_NE(main(), nullptr);
    // Row i is record i of "order by 姓名": Latin names first, then pinyin order.
    EXPECT_EQ(listRows(), (std::vector<std::string>{"O'Brien|17700000000", "李四|13912345678", "王五|15000000013",
                                                    "张三|13800000001", "赵六|18600000000"}));
    EXPECT_EQ(count(), "共 5 条记录");
    EXPECT_EQ(list()->ColumnCount(), 2);
    EXPECT_EQ(list()->GetColumnTitle(0).toUtf8(), "  姓名");
    EXPECT_EQ(list()->GetColumnTitle(1).toUtf8(), "   手机");
    EXPECT_EQ(list()->columnWidth(0), 80);
    EXPECT_EQ(list()->columnWidth(1), 120);
    EXPECT_FALSE(control(MainControls::ClearSearchButton).visible());
    EXPECT_EQ(main()->recordSet(T(MainControls::Contacts))->Position(), 0);
}

TEST_F(ContactList, SearchBoxStartsWithTheGreyPlaceholder) {
    loadMain();
    EXPECT_EQ(control(MainControls::SearchBox).text().toUtf8(), "姓名/首字母/号码");
    EXPECT_EQ(control(MainControls::SearchBox).textColour(), kHintGrey);
    EXPECT_EQ(program_->state().searchPlaceholder.toUtf8(), "姓名/首字母/号码");
}

TEST_F(ContactList, AfterSignInTheSearchBoxShowsItsPlaceholder) {
    // The focus at start goes by the declared tab positions; the search box is
    // not first, so its got-focus rule has not emptied it.
    signIn();
    ASSERT_NE(main(), nullptr);
    settle();
    EXPECT_EQ(QApplication::activeWindow(), main()->widget());
    EXPECT_NE(QApplication::focusWidget(), searchBox());
    EXPECT_EQ(control(MainControls::SearchBox).text().toUtf8(), "姓名/首字母/号码");
    EXPECT_EQ(control(MainControls::SearchBox).textColour(), kHintGrey);
}

TEST_F(ContactList, TypingDigitsNarrowsTheListAfterEachKeystroke) {
    loadMain();
    focusSearch();
    EXPECT_TRUE(control(MainControls::SearchBox).text().empty());
    EXPECT_EQ(control(MainControls::SearchBox).textColour(), kTypedBlack);
    // Emptying the box on focus did not requery.
    EXPECT_EQ(listedNames().size(), 5u);

    typeText(searchBox(), "1");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"O'Brien", "李四", "王五", "张三", "赵六"}));
    EXPECT_TRUE(control(MainControls::ClearSearchButton).visible());
    typeText(searchBox(), "3");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"李四", "王五", "张三"}));
    EXPECT_EQ(count(), "共 3 条记录");
    typeText(searchBox(), "8");
    EXPECT_EQ(listRows(), (std::vector<std::string>{"张三|13800000001"}));
}

TEST_F(ContactList, TypingPinyinInitialsFindsTheContact) {
    loadMain();
    typeSearch("zs");
    EXPECT_EQ(listRows(), (std::vector<std::string>{"张三|13800000001"}));
    EXPECT_EQ(count(), "共 1 条记录");
}

TEST_F(ContactList, SearchingByPartOfAChineseName) {
    loadMain();
    typeSearch(QStringLiteral("王"));
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"王五"}));
}

TEST_F(ContactList, AnApostropheIsSearchedAsTyped) {
    loadMain();
    typeSearch("O'");
    EXPECT_TRUE(messages_->shown.empty()) << messages_->lastText();
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"O'Brien"}));
    typeSearch("'");
    EXPECT_TRUE(messages_->shown.empty());
    EXPECT_TRUE(listedNames().empty());
    EXPECT_EQ(count(), "共 0 条记录");
}

TEST_F(ContactList, ANulCharacterInTheSearchNeitherCutsItNorShowsSql) {
    loadMain();
    focusSearch();
    // Pasted text may hold a NUL character; it stands for nothing.
    searchBox()->insert(QString::fromUtf8("139") + QChar(0) + QString::fromUtf8("12"));
    settle();
    EXPECT_TRUE(messages_->shown.empty()) << messages_->lastText();
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"李四"}));
    EXPECT_EQ(count(), "共 1 条记录");
}

TEST_F(ContactList, PercentAndUnderscoreNeverBreakTheSearch) {
    loadMain();
    typeSearch("%_");
    EXPECT_TRUE(messages_->shown.empty());
    EXPECT_EQ(count().substr(0, 4), "共 ");
}

TEST_F(ContactList, DeletingTheTextKeepsTheLastSearchAndLeavingRestoresThePlaceholder) {
    loadMain();
    typeSearch("zs");
    pressKey(*main(), MainControls::SearchBox, Qt::Key_Backspace);
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"张三", "赵六"}));  // the search for "z"
    pressKey(*main(), MainControls::SearchBox, Qt::Key_Backspace);
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"张三", "赵六"}));
    leaveSearch();
    EXPECT_EQ(control(MainControls::SearchBox).text().toUtf8(), "姓名/首字母/号码");
    EXPECT_EQ(control(MainControls::SearchBox).textColour(), kHintGrey);
}

TEST_F(ContactList, FocusKeepsARealSearchText) {
    loadMain();
    typeSearch("ls");
    leaveSearch();
    focusSearch();
    EXPECT_EQ(control(MainControls::SearchBox).text().toUtf8(), "ls");
}

TEST_F(ContactList, ClearButtonListsAllAndRestoresThePlaceholder) {
    loadMain();
    typeSearch("zs");
    ASSERT_TRUE(control(MainControls::ClearSearchButton).visible());
    click(*main(), MainControls::ClearSearchButton);
    EXPECT_EQ(listedNames().size(), 5u);
    EXPECT_FALSE(control(MainControls::ClearSearchButton).visible());
    EXPECT_EQ(control(MainControls::SearchBox).text().toUtf8(), "姓名/首字母/号码");
    EXPECT_EQ(control(MainControls::SearchBox).textColour(), kHintGrey);
}

TEST_F(ContactList, GroupBoxListsEachGroupOnceInOrderWithTheHint) {
    addContacts({{"钱七", "1", "qq", "A"}, {"孙八", "2", "sb", "A"}, {"周九", "3", "zj", "B"}});
    loadMain();
    EXPECT_EQ(groupItems(), (std::vector<std::string>{"A", "B", "家人", "同事"}));
    EXPECT_EQ(groupBox()->placeholderText().toStdString(), "分组查询");
}

TEST_F(ContactList, GroupsDifferingInCaseAreListedApart) {
    addContacts({{"钱七", "1", "qq", "a"}, {"孙八", "2", "sb", "A"}});
    loadMain();
    const auto items = groupItems();
    EXPECT_EQ(std::count(items.begin(), items.end(), "a"), 1);
    EXPECT_EQ(std::count(items.begin(), items.end(), "A"), 1);
}

TEST_F(ContactList, ChoosingAGroupListsItsContactsByPartOfTheName) {
    addContacts({{"钱七", "1", "qq", "A"}, {"孙八", "2", "sb", "AB"}, {"周九", "3", "zj", "B"}});
    loadMain();
    chooseGroup("A");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"钱七", "孙八"}));
    EXPECT_EQ(count(), "共 2 条记录");
    EXPECT_TRUE(control(MainControls::ClearSearchButton).visible());
    chooseGroup("同事");
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"李四", "张三"}));
}

TEST_F(ContactList, EmptyBookShowsZeroAndNoGroups) {
    execSql("DELETE FROM 通讯录");
    loadMain();
    EXPECT_EQ(count(), "共 0 条记录");
    EXPECT_EQ(list()->ItemCount(), 0);
    EXPECT_TRUE(groupItems().empty());
}

TEST_F(ContactList, SelectingARowEnablesDeleteAndARefillDisablesItAgain) {
    loadMain();
    EXPECT_FALSE(control(MainControls::DeleteButton).enabled());
    EXPECT_FALSE(control(MainControls::SaveButton).enabled());
    program_->state().newRecordPending = true;
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->rowRect(2).center());
    EXPECT_EQ(list()->currentSelection(), 2);
    EXPECT_TRUE(control(MainControls::DeleteButton).enabled());
    // The record window is closed: nothing to save.
    EXPECT_FALSE(control(MainControls::SaveButton).enabled());
    EXPECT_FALSE(program_->state().newRecordPending);

    fill_contact_list(program_->state(), kAllContacts);
    EXPECT_FALSE(control(MainControls::DeleteButton).enabled());
    EXPECT_EQ(list()->currentSelection(), -1);
}

TEST_F(ContactList, OpeningARowOpensTheRecordWindowOnThatContact) {
    loadMain();
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, list()->rowRect(3).center());
    settle();
    EXPECT_EQ(program_->state().selectedRow, 3);
    Window* record = FindWindow("record");
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(program_->state().recordWindowOpen);
    EXPECT_EQ(record->control(T(RecordControls::NameBox)).text().toUtf8(), "张三");
    EXPECT_TRUE(control(MainControls::SaveButton).enabled());

    // With the record window open, selecting another row shows that contact.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->rowRect(1).center());
    EXPECT_EQ(record->control(T(RecordControls::NameBox)).text().toUtf8(), "李四");

    // Closing the main window destroys the record window too.
    DestroyWindow(main(), true);
    EXPECT_EQ(FindWindow("record"), nullptr);
}

TEST_F(ContactList, OpeningARowGivesTheFocusBackToTheList) {
    loadMain();
    main()->widget()->activateWindow();
    settle();
    // Opening and then refreshing the record window: the arrow keys keep walking the list.
    for (int row : {3, 1}) {
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, list()->rowRect(row).center());
        settle();
        ASSERT_NE(FindWindow("record"), nullptr);
        EXPECT_EQ(QApplication::activeWindow(), main()->widget()) << row;
        EXPECT_EQ(QApplication::focusWidget(), list()) << row;
    }
    QTest::keyClick(list(), Qt::Key_Down);
    EXPECT_EQ(list()->currentSelection(), 2);
    EXPECT_EQ(FindWindow("record")->control(T(RecordControls::NameBox)).text().toUtf8(), "王五");
    // Closing the main window destroys the record window too.
    DestroyWindow(main(), true);
    EXPECT_EQ(FindWindow("record"), nullptr);
}

TEST_F(ContactList, AGroupWithAnApostropheFiltersAsNamed) {
    addContacts({{"钱七", "1", "qq", "O'Neil"}, {"孙八", "2", "sb", "Neil"}});
    loadMain();
    chooseGroup("O'Neil");
    EXPECT_TRUE(messages_->shown.empty());
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"钱七"}));
}

TEST_F(ContactList, TheOpenRecordWindowFollowsTheMainWindow) {
    loadMain();
    main()->setLeft(60);
    main()->setTop(40);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, list()->rowRect(0).center());
    settle();
    Window* record = FindWindow("record");
    ASSERT_NE(record, nullptr);
    main()->setLeft(90);
    main()->setTop(70);
    settle();
    EXPECT_EQ(record->left(), main()->left() + main()->width());
    EXPECT_EQ(record->top(), main()->top());
}

TEST_F(ContactList, MenuDeleteAllEmptiesTheBookAndTheListAfterConfirmation) {
    loadMain();
    messages_->answers = {1};  // Cancel: nothing happens
    chooseMenuItem(*main(), MainControls::Menu, "删除全部");
    EXPECT_EQ(listedNames().size(), 5u);
    EXPECT_EQ(query("SELECT count(*) FROM 通讯录"), (std::vector<std::string>{"5"}));

    messages_->answers = {0, 0};  // OK, then the notice
    chooseMenuItem(*main(), MainControls::Menu, "删除全部");
    EXPECT_TRUE(listedNames().empty());
    EXPECT_EQ(query("SELECT count(*) FROM 通讯录"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(messages_->shown.front().caption.toUtf8(), "警告！");
}

// The list holds no copy of the contacts: it reads the cells of a row from the
// record set when asked, and reading them leaves the record set where it was
// (the record window turns the selected row back into a contact by position).
TEST_F(ContactList, TheListReadsItsCellsFromTheRecordSetWithoutMovingIt) {
    loadMain();
    RecordSet* records = main()->recordSet(T(MainControls::Contacts));
    ASSERT_TRUE(list()->showsSourceRows());
    ASSERT_EQ(list()->ItemCount(), records->RecordCount());
    records->MoveTo(2);
    for (int row = 0; row < list()->ItemCount(); ++row) {
        EXPECT_EQ(list()->GetItemText(row, 0), records->ReadTextAt(row, T("姓名")));
        EXPECT_EQ(list()->GetItemText(row, 1), records->ReadTextAt(row, T("手机")));
    }
    list()->viewport()->repaint();
    EXPECT_EQ(records->Position(), 2);
    EXPECT_EQ(records->ReadText(T("姓名")).toUtf8(), "王五");
    EXPECT_EQ(records->ReadTextAt(5, T("姓名")), Text());
    EXPECT_EQ(records->ReadTextAt(0, T("没有这列")), Text());

    // A search and a group show their query's rows the same way.
    typeSearch("13");
    EXPECT_TRUE(list()->showsSourceRows());
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"李四", "王五", "张三"}));
    chooseGroup("家人");
    EXPECT_TRUE(list()->showsSourceRows());
    EXPECT_EQ(listRows(), (std::vector<std::string>{"王五|15000000013"}));
}
