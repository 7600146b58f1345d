// The carrier logo and the attribution as the real contact record window
// shows them, offscreen, against a copy of the delivered book and a lookup
// service on 127.0.0.1.
#include "attribution/record_display.h"
#include "services/db/record_set.h"
#include "services/window/commands.h"
#include "support/local_http_server.h"
#include "support/recording_presenter.h"
#include "test_book.h"
#include "ui/pictures/pictures.h"
#include "ui/record_window.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

namespace {

class RecordDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadWindow(RecordWindowDecl(), HandlerTable{}, false));
        window_ = FindWindow("record");
        ASSERT_NE(window_, nullptr);
        RecordSet* carriers = window_->recordSet(T("记录集2"));
        ASSERT_NE(carriers, nullptr);
        ASSERT_TRUE(carriers->SetConnection(book_.connection()));
    }

    void TearDown() override {
        for (Window* w : LoadedWindows()) DestroyWindow(w, true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    Bytes logoFor(const char* number) {
        show_carrier_logo(*window_, Text::fromUtf8(number));
        return window_->control(T("图片框1")).picture();
    }

    TestBook book_;
    Window* window_ = nullptr;
};

TEST_F(RecordDisplay, EachRecognisedCarrierShowsItsOwnLogo) {
    book_.replaceSegments({{"130", "联通"}, {"138", "移动"}, {"133", "电信"}, {"166", "移动 "}, {"199", "广电"}});
    const Bytes lianTong = PictureResource(Pictures::CarrierLogoLianTong);
    const Bytes yiDong = PictureResource(Pictures::CarrierLogoYiDong);
    const Bytes dianXin = PictureResource(Pictures::CarrierLogoDianXin);
    ASSERT_FALSE(lianTong.empty());
    EXPECT_EQ(logoFor("13012345678"), lianTong);
    EXPECT_EQ(logoFor("13812345678"), yiDong);
    EXPECT_EQ(logoFor("13312345678"), dianXin);
    // Exact equality only: a trailing blank or another carrier clears the box,
    // and so does a number that matches no segment.
    EXPECT_TRUE(logoFor("16612345678").empty());
    EXPECT_EQ(logoFor("13812345678"), yiDong);
    EXPECT_TRUE(logoFor("19912345678").empty());
    EXPECT_EQ(logoFor("13312345678"), dianXin);
    EXPECT_TRUE(logoFor("12012345678").empty());
}

TEST_F(RecordDisplay, AnEmptyNumberShowsTheLogoOfTheFirstSegment) {
    book_.replaceSegments({{"155", "联通"}, {"134", "移动"}});
    EXPECT_EQ(logoFor(""), PictureResource(Pictures::CarrierLogoYiDong));  // '%%': 134 sorts first
}

TEST_F(RecordDisplay, AQuoteInTheNumberClearsTheLogoWithoutAMessage) {
    ScopedPresenter presenter;
    EXPECT_FALSE(logoFor("13812345678").empty());
    EXPECT_TRUE(logoFor("1'8").empty());
    EXPECT_TRUE(presenter->shown.empty()) << presenter->lastText();
}

TEST_F(RecordDisplay, AttributionIsAppendedToTheStatusLabelAndStoredOnce) {
    LocalHttpServer server([](const auto&) { return LocalHttpServer::attributionPage("广东 深圳"); });
    book_.addContacts({{"c01", "13800138000", ""}, {"c02", "13900139000", "北京 北京"}, {"c03", "2380013800", ""}});
    RecordSet contacts;
    ASSERT_TRUE(contacts.SetConnection(book_.connection()));
    ASSERT_TRUE(contacts.OpenTable(T("通讯录"), T("姓名 ASC")));
    Control label = window_->control(T("透明标签_当前选择"));
    const Text address = Text::fromBytes(server.baseUrl());

    // Not yet looked up: fetched, appended with its six blanks, stored at once.
    label.setText(T("当前选中第1条"));
    ASSERT_TRUE(contacts.MoveTo(0));
    show_attribution(*window_, contacts, address);
    EXPECT_EQ(label.text().toUtf8(), "当前选中第1条      归属地：广东 深圳");
    EXPECT_EQ(book_.storedAttribution("c01"), "广东 深圳");
    EXPECT_EQ(server.requestCount(), 1u);

    // Stored already: shown as stored, no request.
    label.setText(T("当前选中第2条"));
    ASSERT_TRUE(contacts.MoveTo(1));
    show_attribution(*window_, contacts, address);
    EXPECT_EQ(label.text().toUtf8(), "当前选中第2条      归属地：北京 北京");
    EXPECT_EQ(server.requestCount(), 1u);

    // Not a mobile number: no request, the label unchanged, the field empty.
    label.setText(T("当前选中第3条"));
    ASSERT_TRUE(contacts.MoveTo(2));
    show_attribution(*window_, contacts, address);
    EXPECT_EQ(label.text().toUtf8(), "当前选中第3条");
    EXPECT_EQ(book_.storedAttribution("c03"), "");
    EXPECT_EQ(server.requestCount(), 1u);
}

}  // namespace
