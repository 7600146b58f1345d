// The contact record window: new contacts, changes, deletions, and what the
// file holds afterwards.

#include "attribution/record_display.h"
#include "attribution/service_refinement.h"
#include "contacts/record_editor.h"
#include "services/core/core.h"
#include "services/db/record_set.h"
#include "services/net/fetch_time_limits.h"
#include "services/system/system.h"
#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/controls/date_edit.h"
#include "services/window/report_list.h"
#include "support/local_http_server.h"
#include "support/stages/record_fixture.h"
#include "ui/main_window_decl.h"
#include "ui/pictures/pictures.h"
#include "ui/record_window_decl.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QTest>

using namespace record_tests;

namespace {

const char* const kSaved = "保存成功！";

bool Contains(const std::vector<std::string>& texts, const std::string& wanted) {
    for (const auto& t : texts)
        if (t == wanted) return true;
    return false;
}

std::string Repeat(const std::string& unit, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += unit;
    return out;
}

}  // namespace

TEST_F(RecordWindowTest, NewContactIsStoredWithEveryFieldAndItsInitials) {
    pressNew();
    Window& record = recordWindow();
    EXPECT_TRUE(state_.newRecordPending);
    EXPECT_FALSE(mainWindow().control(T(MainControls::DeleteButton)).enabled());
    EXPECT_TRUE(mainWindow().control(T(MainControls::SaveButton)).enabled());
    // A new contact starts with no photo, not with the default one.
    EXPECT_TRUE(record.control(T(RecordControls::Photo)).picture().empty());

    const std::pair<const char*, const char*> fields[] = {{RecordControls::NameBox, "欧阳明日"},
                                                          {RecordControls::MobileBox, "13812345678"},
                                                          {RecordControls::SecondMobileBox, "13998765432"},
                                                          {RecordControls::QqBox, "123456"},
                                                          {RecordControls::SecondQqBox, "7654321"},
                                                          {RecordControls::EmailBox, "oy@example.com"},
                                                          {RecordControls::PhoneBox, "010-88886666"},
                                                          {RecordControls::ExtensionBox, "801"},
                                                          {RecordControls::AddressBox, "北京市海淀区中关村大街1号"},
                                                          {RecordControls::HometownBox, "湖南长沙"},
                                                          {RecordControls::BirthdayBox, "1980-01-06"},
                                                          {RecordControls::RemarkBox, "大学同学，O'Brien 的朋友"}};
    for (const auto& [box, text] : fields) type(record, box, text);
    click(record, RecordControls::SaveButton);

    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->shown[0].text.toUtf8(), kSaved);
    EXPECT_EQ((*messages_)->shown[0].caption.toUtf8(), "提示");
    EXPECT_EQ((*messages_)->shown[0].flags & MessageStyle::kIconMask, MessageStyle::kInformation);

    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    const StoredRow& c = rows[0];
    EXPECT_EQ(c["姓名"], Gbk("欧阳明日"));
    EXPECT_EQ(c["首字母"], "oym");  // only the first three characters count
    ExpectColumns(c, {{"手机", "13812345678"},
                      {"手机备", "13998765432"},
                      {"QQ", "123456"},
                      {"QQ备", "7654321"},
                      {"邮箱", "oy@example.com"},
                      {"座机", "010-88886666"},
                      {"分机", "801"},
                      {"地址", Gbk("北京市海淀区中关村大街1号")},
                      {"籍贯", Gbk("湖南长沙")},
                      {"生日", "1980-01-06 00:00:00"},
                      {"备注", Gbk("大学同学，O'Brien 的朋友")}});
    EXPECT_FALSE(c.has("分组"));  // an empty text stores NULL
    EXPECT_TRUE(c.photo.empty());

    // The list shows the book again and the window the first record.
    EXPECT_FALSE(state_.newRecordPending);
    ASSERT_EQ(listRows(), 1);
    EXPECT_EQ(listText(0, 0), "欧阳明日");
    EXPECT_EQ(listText(0, 1), "13812345678");
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录");
}

TEST_F(RecordWindowTest, NameAndMobileAreRequired) {
    pressNew();
    Window& record = recordWindow();
    type(record, RecordControls::MobileBox, "13812345678");
    click(record, RecordControls::SaveButton);
    type(record, RecordControls::NameBox, "张三");
    type(record, RecordControls::MobileBox, "");
    click(record, RecordControls::SaveButton);

    ASSERT_EQ((*messages_)->shown.size(), 2u);
    EXPECT_EQ((*messages_)->shown[0].text.toUtf8(), "    姓名不能为空 ！    ");
    EXPECT_EQ((*messages_)->shown[1].text.toUtf8(), "    手机不能为空 ！    ");
    for (const auto& m : (*messages_)->shown) {
        EXPECT_EQ(m.caption.toUtf8(), "提示！");
        EXPECT_EQ(m.flags & MessageStyle::kIconMask, MessageStyle::kInformation);
    }
    EXPECT_TRUE(storedContacts().empty());
    EXPECT_TRUE(state_.newRecordPending);  // still a new contact to finish
}

TEST_F(RecordWindowTest, InitialsTakeTheFirstThreeHanziOnly) {
    EXPECT_EQ(contact_initials(T("张三")).bytes(), "zs");
    EXPECT_EQ(contact_initials(T("欧阳明日")).bytes(), "oym");
    EXPECT_EQ(contact_initials(T("李")).bytes(), "l");
    EXPECT_EQ(contact_initials(T("Tom")).bytes(), "");
    EXPECT_EQ(contact_initials(T("")).bytes(), "");
    // Characters, not byte pairs: a one-byte character first gives no
    // letter and leaves the hanzi after it whole.
    EXPECT_EQ(contact_initials(T("a张")).bytes(), "z");
    EXPECT_EQ(contact_initials(T("€张三丰")).bytes(), "zs");
}

TEST_F(RecordWindowTest, ShownContactIsEditedInPlace) {
    addContact({{"姓名", "王五"},
                {"手机", "13012345678"},
                {"分组", "同事"},
                {"生日", "1975-03-09 00:00:00"},
                {"备注", "老同事"},
                {"归属地", "北京 联通"}});
    addContact({{"姓名", "赵六"}, {"手机", "13312345678"}});
    refillList();
    ASSERT_EQ(listRows(), 2);
    openRow(0);  // 王五 sorts before 赵六
    Window& record = recordWindow();
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "王五");
    EXPECT_EQ(textOf(record, RecordControls::BirthdayBox), "1975-03-09");  // the date alone
    EXPECT_EQ(textOf(record, RecordControls::GroupBox), "同事");
    EXPECT_EQ(textOf(record, RecordControls::RemarkBox), "老同事");
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：北京 联通");
    // No stored photo: the default one is shown, and saving keeps none.
    EXPECT_EQ(record.control(T(RecordControls::Photo)).picture(), PictureResource(Pictures::DefaultPhoto));
    EXPECT_EQ(record.control(T(RecordControls::CarrierIcon)).picture(), PictureResource(Pictures::CarrierLogoLianTong));

    type(record, RecordControls::MobileBox, "18612345678");
    type(record, RecordControls::NameBox, "王五一");
    click(record, RecordControls::SaveButton);

    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);
    ExpectColumns(rows[0], {{"姓名", Gbk("王五一")}, {"首字母", "wwy"}, {"手机", "18612345678"}});
    EXPECT_EQ(rows[0]["分组"], Gbk("同事"));  // the shown group is written back
    EXPECT_EQ(rows[0]["生日"], "1975-03-09 00:00:00");
    EXPECT_EQ(rows[0]["归属地"], Gbk("北京 联通"));
    EXPECT_TRUE(rows[0].photo.empty());
    EXPECT_EQ(rows[1]["姓名"], Gbk("赵六"));
    EXPECT_EQ(rows[1]["手机"], "13312345678");
}

TEST_F(RecordWindowTest, StoredPhotoIsShownAndKeptWhenSavedAgain) {
    const Bytes photo = BmpFileBytes(GradientImage(40, 50));
    addContact({{"姓名", "孙七"}, {"手机", "13512345678"}}, photo);
    Window& record = refillAndOpen(0);
    EXPECT_EQ(record.control(T(RecordControls::Photo)).picture(), photo);
    EXPECT_EQ(record.control(T(RecordControls::CarrierIcon)).picture(), PictureResource(Pictures::CarrierLogoYiDong));
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].photo, photo);
}

TEST_F(RecordWindowTest, UnknownCarrierClearsTheLogo) {
    addContact({{"姓名", "甲"}, {"手机", "13312345678"}});
    addContact({{"姓名", "乙"}, {"手机", "99912345678"}});
    Window& record = refillAndOpen(0);
    EXPECT_EQ(record.control(T(RecordControls::CarrierIcon)).picture(), PictureResource(Pictures::CarrierLogoDianXin));
    ReportList* list = mainWindow().list(T(MainControls::ContactList));
    list->setCurrentSelection(1);  // the record window follows the selection
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "乙");
    EXPECT_TRUE(record.control(T(RecordControls::CarrierIcon)).picture().empty());
}

TEST_F(RecordWindowTest, AFreshInstallShowsRegionAndCarrierWithoutAnySetting) {
    addContact({{"姓名", "周八"}, {"手机", "139-1234-5678"}});
    Window& record = refillAndOpen(0);
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：江苏省常州市 移动");
    EXPECT_EQ(record.control(T(RecordControls::CarrierIcon)).picture(), PictureResource(Pictures::CarrierLogoYiDong));
    // Read back from the file while the window is still open; 手机 as typed.
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["归属地"], Gbk("江苏省常州市 移动"));
    EXPECT_EQ(rows[0]["手机"], "139-1234-5678");
}

TEST_F(RecordWindowTest, TheServiceAnswerReplacesTheOfflineAttributionWhenItArrives) {
    LocalHttpServer server(
        [](const LocalHttpServer::Request&) { return LocalHttpServer::attributionPage("江苏 常州 移动全球通卡"); });
    ASSERT_TRUE(WriteIni(state_.settingsPath, T("网络"), T("归属地查询地址"), Text::fromUtf8(server.baseUrl())));
    addContact({{"姓名", "周八"}, {"手机", "13912345678"}});
    Window& record = refillAndOpen(0);
    // Shown at once, before the answer can have been handled.
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：江苏省常州市 移动");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !attribution_service_asked(record); }, 20000));
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：江苏 常州 移动全球通卡");
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["归属地"], Gbk("江苏 常州 移动全球通卡"));
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(RecordWindowTest, AServiceThatNeverAnswersFreezesNothingAndIsDroppedWhenAnotherContactIsShown) {
    ScopedFetchTimeLimits limits(FetchTimeLimits{std::chrono::seconds(10), std::chrono::seconds(600)});
    LocalHttpServer silent([](const LocalHttpServer::Request&) { return LocalHttpServer::silent(); });
    ASSERT_TRUE(WriteIni(state_.settingsPath, T("网络"), T("归属地查询地址"), Text::fromUtf8(silent.baseUrl())));
    addContact({{"姓名", "甲"}, {"手机", "13912345678"}});
    addContact({{"姓名", "乙"}, {"手机", "17031234567"}});
    Window& record = refillAndOpen(0);
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：江苏省常州市 移动");
    ASSERT_TRUE(silent.waitForRequests(1, std::chrono::seconds(20)));
    // The user goes on: another contact is shown while the first question hangs.
    mainWindow().list(T(MainControls::ContactList))->setCurrentSelection(1);
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "乙");
    EXPECT_EQ(record.control(T(RecordControls::CarrierIcon)).picture(), PictureResource(Pictures::CarrierLogoYiDong));
    EXPECT_NE(textOf(record, RecordControls::PositionLabel).find("移动"), std::string::npos);
    ASSERT_TRUE(silent.waitForRequests(2, std::chrono::seconds(20)));
    // Closing the window withdraws the question; its thread ends without waiting out the 600 s.
    closeAllWindows();
    end_service_requests();
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["归属地"], Gbk("江苏省常州市 移动"));
    EXPECT_NE(rows[1]["归属地"].find(Gbk("移动")), std::string::npos);
}

TEST_F(RecordWindowTest, BadBirthdayStopsTheSaveAndChangesNothing) {
    addContact({{"姓名", "吴九"}, {"手机", "13912345678"}, {"生日", "1990-05-01 00:00:00"}});
    Window& record = refillAndOpen(0);
    type(record, RecordControls::NameBox, "吴九改");
    type(record, RecordControls::BirthdayBox, "1980-13-45");
    click(record, RecordControls::SaveButton);

    const auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("格式：1980-01-06"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0], kSaved);
    // The refused save leaves nothing pending: moving to the row again stores nothing.
    mainWindow().recordSet(T(MainControls::Contacts))->MoveTo(0);
    auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["姓名"], Gbk("吴九"));
    EXPECT_EQ(rows[0]["生日"], "1990-05-01 00:00:00");
    // The typed texts stay in the window for the user to correct.
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "吴九改");

    type(record, RecordControls::BirthdayBox, "1980/1/6");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["姓名"], Gbk("吴九改"));
    EXPECT_EQ(rows[0]["生日"], "1980-01-06 00:00:00");
}

TEST_F(RecordWindowTest, BirthdayBoxIsADateEditorThatStillTakesTypedDates) {
    addContact({{"姓名", "吴九"}, {"手机", "13912345678"}});
    Window& record = refillAndOpen(0);
    auto* birthday = qobject_cast<DateEdit*>(record.control(T(RecordControls::BirthdayBox)).widget());
    ASSERT_NE(birthday, nullptr) << "declared for date input";
    // Keys that are no part of a date are refused; the typed forms are kept.
    type(record, RecordControls::BirthdayBox, "abc");
    EXPECT_EQ(textOf(record, RecordControls::BirthdayBox), "");
    type(record, RecordControls::BirthdayBox, "1980/1/6");
    EXPECT_EQ(textOf(record, RecordControls::BirthdayBox), "1980/1/6");

    // The calendar opens on the box's date and writes the chosen day.
    birthday->showCalendar();
    QCalendarWidget* calendar = birthday->calendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->selectedDate(), QDate(1980, 1, 6));
    emit calendar->clicked(QDate(1975, 3, 9));
    EXPECT_EQ(textOf(record, RecordControls::BirthdayBox), "1975-03-09");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(birthday->calendar(), nullptr);
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["生日"], "1975-03-09 00:00:00");
}

TEST_F(RecordWindowTest, BadBirthdayOnANewContactAddsNoRow) {
    Window& record = newContactNamed("郑十", "13612345678");
    type(record, RecordControls::BirthdayBox, "1980-13-45");
    click(record, RecordControls::SaveButton);
    const auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("格式：1980-01-06"), std::string::npos);
    refillList();  // would store a pending new row
    EXPECT_TRUE(storedContacts().empty());
    EXPECT_TRUE(state_.newRecordPending);
}

TEST_F(RecordWindowTest, LongNameAndRemarkAtItsLimitAreStoredWhole) {
    pressNew();
    Window& record = recordWindow();
    const std::string name = Repeat("明", 200);
    type(record, RecordControls::NameBox, name);
    type(record, RecordControls::MobileBox, "13712345678");
    type(record, RecordControls::RemarkBox, Repeat("注", 205));  // the box stops at 200
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    ExpectColumns(rows[0], {{"姓名", Gbk(name)}, {"首字母", "mmm"}, {"备注", Gbk(Repeat("注", 200))}});
    EXPECT_EQ(rows[0]["姓名"].size(), 400u);
}

TEST_F(RecordWindowTest, QqNumberIsStoredAsTyped) {
    Window& record = newContactNamed("钱一", "13712345678");
    type(record, RecordControls::QqBox, " 12 34a ");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    EXPECT_EQ(storedContacts().at(0)["QQ"], " 12 34a ");
}

TEST_F(RecordWindowTest, SaveWithNoRecordClaimsNothing) {
    // An empty book: the record window opens on no contact.
    state_.selectedRow = 0;
    load_record_window(state_);
    Window& record = recordWindow();
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第");
    type(record, RecordControls::NameBox, "孤");
    type(record, RecordControls::MobileBox, "13712345678");
    click(record, RecordControls::SaveButton);
    expectOnlyASaveFailure();
    EXPECT_TRUE(storedContacts().empty());
}

TEST_F(RecordWindowTest, SaveOnAReadOnlyBookFailsWithAMessageAndLosesNothing) {
    addContact({{"姓名", "冯二"}, {"手机", "13812345678"}, {"归属地", "北京 移动"}});
    closeAllWindows();
    makeBookReadOnly();
    const std::string before = bookBytes();
    loadMainWindow();

    openRow(0);
    Window& record = recordWindow();
    type(record, RecordControls::MobileBox, "13800000000");
    click(record, RecordControls::SaveButton);
    auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("保存失败！", 0), 0u) << shown[0];
    EXPECT_GT(shown[0].size(), std::string("保存失败！").size()) << "no reason given";
    // What the user typed is still there to save elsewhere.
    EXPECT_EQ(textOf(record, RecordControls::MobileBox), "13800000000");

    pressNew();
    type(record, RecordControls::NameBox, "陈三");
    type(record, RecordControls::MobileBox, "13900000000");
    click(record, RecordControls::SaveButton);
    shown = takeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("保存失败！", 0), 0u) << shown[0];

    closeAllWindows();
    EXPECT_EQ(bookBytes(), before);
}

TEST_F(RecordWindowTest, DeleteAsksAndDeletesOnlyOnOk) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}});
    addContact({{"姓名", "乙"}, {"手机", "13112345678"}});
    Window& record = refillAndOpen(1);
    ASSERT_EQ(textOf(record, RecordControls::NameBox), "乙");

    (*messages_)->answers = {MessageAnswer::kCancel};  // Cancel
    click(mainWindow(), MainControls::DeleteButton);
    ASSERT_EQ((*messages_)->shown.size(), 1u);
    EXPECT_EQ((*messages_)->shown[0].text.toUtf8(), "真的要删除本记录吗！");
    EXPECT_EQ((*messages_)->shown[0].caption.toUtf8(), "警告！");
    EXPECT_EQ((*messages_)->shown[0].flags & MessageStyle::kButtonsAndIconMask,
              MessageStyle::kOkCancel | MessageStyle::kWarning);
    EXPECT_EQ(storedContacts().size(), 2u);
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "乙");

    (*messages_)->answers = {MessageAnswer::kOk};  // OK
    click(mainWindow(), MainControls::DeleteButton);
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["姓名"], Gbk("甲"));
    ASSERT_EQ(listRows(), 1);
    EXPECT_EQ(listText(0, 0), "甲");
    EXPECT_FALSE(mainWindow().control(T(MainControls::DeleteButton)).enabled());
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "");
    EXPECT_TRUE(record.control(T(RecordControls::Photo)).picture().empty());
}

TEST_F(RecordWindowTest, DeleteAllAsksThenEmptiesTheBookAndTheList) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}});
    addContact({{"姓名", "乙"}, {"手机", "13112345678"}});
    refillList();
    const std::string count = textOf(mainWindow(), MainControls::CountLabel);

    (*messages_)->answers = {MessageAnswer::kCancel};
    delete_all_contacts(state_);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"真的要删除全部记录吗！"});
    EXPECT_EQ(storedContacts().size(), 2u);
    EXPECT_EQ(listRows(), 2);

    (*messages_)->answers = {MessageAnswer::kOk};
    delete_all_contacts(state_);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"真的要删除全部记录吗！", "已删除全部记录！"}));
    EXPECT_EQ((*messages_)->shown.back().caption.toUtf8(), "提示！");
    EXPECT_TRUE(storedContacts().empty());
    EXPECT_EQ(listRows(), 0);
    EXPECT_EQ(textOf(mainWindow(), MainControls::CountLabel), count);  // left as it was
    // The record set behind the empty list holds no stale rows.
    EXPECT_EQ(mainWindow().recordSet(T(MainControls::Contacts))->RecordCount(), 0);
}

TEST_F(RecordWindowTest, DeleteAllOnAReadOnlyBookKeepsTheList) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}});
    closeAllWindows();
    makeBookReadOnly();
    loadMainWindow();
    ASSERT_EQ(listRows(), 1);
    (*messages_)->answers = {MessageAnswer::kOk};
    delete_all_contacts(state_);
    const auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].rfind("删除失败！", 0), 0u) << shown[1];
    EXPECT_FALSE(Contains(shown, "已删除全部记录！"));
    EXPECT_EQ(listRows(), 1);
    EXPECT_EQ(storedContacts().size(), 1u);
}

TEST_F(RecordWindowTest, DeleteOnAReadOnlyBookSaysSo) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}});
    closeAllWindows();
    makeBookReadOnly();
    loadMainWindow();
    mainWindow().list(T(MainControls::ContactList))->setCurrentSelection(0);
    (*messages_)->answers = {MessageAnswer::kOk};
    click(mainWindow(), MainControls::DeleteButton);
    const auto shown = takeMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].rfind("删除失败！", 0), 0u) << shown[1];
    EXPECT_EQ(listRows(), 1);
    EXPECT_EQ(storedContacts().size(), 1u);
}

TEST_F(RecordWindowTest, GroupListIsCopiedFromTheMainWindowAndKeepsTheShownGroup) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}, {"分组", "家人"}});
    addContact({{"姓名", "乙"}, {"手机", "13112345678"}, {"分组", "同事"}});
    Window& record = refillAndOpen(0);
    Control mainGroups = mainWindow().control(T(MainControls::GroupFilter));
    const std::string mainShown = mainGroups.text().toUtf8();
    ASSERT_EQ(textOf(record, RecordControls::GroupBox), "家人");

    auto* box = qobject_cast<QComboBox*>(record.control(T(RecordControls::GroupBox)).widget());
    ASSERT_NE(box, nullptr);
    box->showPopup();
    box->hidePopup();
    ASSERT_EQ(box->count(), ComboCount(mainGroups));
    for (int i = 0; i < box->count(); ++i)
        EXPECT_EQ(ComboItemText(record.control(T(RecordControls::GroupBox)), i), ComboItemText(mainGroups, i));
    EXPECT_EQ(textOf(record, RecordControls::GroupBox), "家人");  // still the contact's group
    EXPECT_EQ(mainGroups.text().toUtf8(), mainShown);             // the main box is left alone

    box->setCurrentIndex(box->findText(QStringLiteral("同事")));
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(storedContacts().at(0)["分组"], Gbk("同事"));
}

TEST_F(RecordWindowTest, WindowHintsAndClosing) {
    pressNew();
    Window& record = recordWindow();
    EXPECT_TRUE(state_.recordWindowOpen);
    EXPECT_EQ(record.width(), 354);
    // Docked beside the main window.
    EXPECT_EQ(record.top(), mainWindow().top());
    BalloonTip* balloon = record.balloon(T(RecordControls::Balloon));
    ASSERT_NE(balloon, nullptr);
    QWidget* birthday = record.control(T(RecordControls::BirthdayBox)).widget();
    QTest::mousePress(birthday, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(birthday, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(balloon->currentText().toUtf8(), "格式：1980-01-06");
    EXPECT_EQ(balloon->targetPoint(), birthday->mapToGlobal(QPoint(5, 5)));

    DestroyWindow(&record, true);
    EXPECT_FALSE(state_.recordWindowOpen);
    EXPECT_FALSE(mainWindow().control(T(MainControls::SaveButton)).enabled());
    // With the window closed a save has nothing to save and says nothing.
    save_contact(state_);
    EXPECT_TRUE((*messages_)->shown.empty());
}

TEST_F(RecordWindowTest, SaveChangesTheShownContactWhereverTheListPutsIt) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}, {"备注", "A"}});
    addContact({{"姓名", "乙"}, {"手机", "13112345678"}, {"备注", "B"}});
    Window& record = refillAndOpen(1);
    type(record, RecordControls::RemarkBox, "B1");
    click(record, RecordControls::SaveButton);
    // The rebuilt list starts with 甲, but the window still stands on 乙.
    EXPECT_EQ(textOf(record, RecordControls::PositionLabel), "当前选中第 2 条记录");
    type(record, RecordControls::RemarkBox, "B2");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"保存成功！", "保存成功！"}));
    auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["姓名"], Gbk("甲"));
    EXPECT_EQ(rows[0]["备注"], "A");
    EXPECT_EQ(rows[1]["姓名"], Gbk("乙"));
    EXPECT_EQ(rows[1]["备注"], "B2");

    // A search that leaves the shown contact out: the window still shows
    // 乙, and its save changes 乙 and nobody else.
    type(mainWindow(), MainControls::SearchBox, "130");
    ASSERT_EQ(listRows(), 1);
    type(record, RecordControls::RemarkBox, "B3");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSaved});
    rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["备注"], "A");
    EXPECT_EQ(rows[1]["备注"], "B3");
    EXPECT_EQ(listRows(), 1);
}

TEST_F(RecordWindowTest, ANewContactTheSearchLeavesOutIsSavedAgainInPlace) {
    addContact({{"姓名", "甲"}, {"手机", "13812345678"}});
    refillList();
    type(mainWindow(), MainControls::SearchBox, "138");
    ASSERT_EQ(listRows(), 1);
    Window& record = newContactNamed("乙", "15912345678");
    click(record, RecordControls::SaveButton);
    ASSERT_EQ(listRows(), 1);  // the search still shows only 甲
    type(record, RecordControls::EmailBox, "yi@example.com");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kSaved, kSaved}));
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);  // no duplicate
    ExpectColumns(rows[1], {{"姓名", Gbk("乙")}, {"手机", "15912345678"}, {"邮箱", "yi@example.com"}});
    EXPECT_EQ(rows[0]["邮箱"], "");
}

TEST_F(RecordWindowTest, AContactAnEditTakesOutOfTheSearchIsSavedAgainInPlace) {
    addContact({{"姓名", "甲"}, {"手机", "13812345678"}});
    addContact({{"姓名", "乙"}, {"手机", "13812340000"}});
    refillList();
    type(mainWindow(), MainControls::SearchBox, "138");
    ASSERT_EQ(listRows(), 2);
    openRow(0);
    Window& record = recordWindow();
    ASSERT_EQ(textOf(record, RecordControls::NameBox), "甲");
    type(record, RecordControls::MobileBox, "15900000001");
    click(record, RecordControls::SaveButton);
    ASSERT_EQ(listRows(), 1);  // 甲 no longer matches
    EXPECT_EQ(textOf(record, RecordControls::NameBox), "甲");
    type(record, RecordControls::EmailBox, "jia@example.com");
    click(record, RecordControls::SaveButton);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kSaved, kSaved}));
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["手机"], "15900000001");
    EXPECT_EQ(rows[0]["邮箱"], "jia@example.com");
    EXPECT_EQ(rows[1]["手机"], "13812340000");
    EXPECT_EQ(rows[1]["邮箱"], "");
}

TEST_F(RecordWindowTest, AContactDeletedElsewhereIsNotSavedAsAnother) {
    addContact({{"姓名", "甲"}, {"手机", "13812345678"}});
    addContact({{"姓名", "乙"}, {"手机", "13812340000"}});
    Window& record = refillAndOpen(0);
    ExecOnBook(bookPath(), "delete from 通讯录 where 姓名 = '甲'");
    type(record, RecordControls::EmailBox, "jia@example.com");
    click(record, RecordControls::SaveButton);
    expectOnlyASaveFailure();
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["邮箱"], "");
    EXPECT_EQ(rows[0]["姓名"], Gbk("乙"));
}

TEST_F(RecordWindowTest, SaveAfterADeleteDoesNotOverwriteAnotherContact) {
    addContact({{"姓名", "甲"}, {"手机", "13012345678"}});
    addContact({{"姓名", "乙"}, {"手机", "13112345678"}});
    Window& record = refillAndOpen(1);
    (*messages_)->answers = {MessageAnswer::kOk};
    click(mainWindow(), MainControls::DeleteButton);
    takeMessages();
    // The emptied window is typed into and saved: no contact is shown, so
    // nothing is overwritten.
    type(record, RecordControls::NameBox, "丙");
    type(record, RecordControls::MobileBox, "13212345678");
    click(record, RecordControls::SaveButton);
    expectOnlyASaveFailure();
    const auto rows = storedContacts();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["姓名"], Gbk("甲"));
}

TEST_F(RecordWindowTest, StoredAttributionIsShownWithoutAskingTheService) {
    LocalHttpServer server(
        [](const LocalHttpServer::Request&) { return LocalHttpServer::attributionPage("不应出现"); });
    ASSERT_TRUE(WriteIni(state_.settingsPath, T("网络"), T("归属地查询地址"), Text::fromUtf8(server.baseUrl())));
    addContact({{"姓名", "周八"}, {"手机", "13812345678"}, {"归属地", "江苏 南京 移动"}});
    refillList();
    openRow(0);
    EXPECT_EQ(textOf(recordWindow(), RecordControls::PositionLabel), "当前选中第 1 条记录      归属地：江苏 南京 移动");
    EXPECT_EQ(server.requestCount(), 0u);
}
