// The QQ chat link of the record window's two "聊" buttons.

#include "contacts/chat.h"
#include "services/core/core.h"
#include "support/stages/record_fixture.h"
#include "ui/record_window_decl.h"

using namespace record_tests;

namespace {

const char* const kEmpty = "QQ号为空，不能聊天 ！";
const char* const kWrong = "QQ号有误，不能聊天  ！";

}  // namespace

class ChatLinkTest : public RecordWindowTest {
protected:
    // Types the number into the box and presses its button; the addresses
    // opened and the messages shown by that press.
    void chat(const char* box, const char* button, const std::string& number) {
        Window& record = recordWindow();
        type(record, box, number);
        openedUrls_.clear();
        takeMessages();
        click(record, button);
    }
    std::string lastOpened() const {
        return openedUrls_.empty() ? std::string()
                                   : QUrl::fromPercentEncoding(openedUrls_.back().toEncoded()).toStdString();
    }
    std::string expected(const std::string& number) const {
        return chat_link_prefix(state_).toUtf8() + "/msgrd?V=1&Uin=" + number + "&Site=lunarkite&Menu=yes";
    }
};

TEST_F(ChatLinkTest, OnlyFiveToNineBytesOpenTheLink) {
    pressNew();
    struct Case {
        std::string number;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"1234", false}, {"12345", true},   {"123456789", true}, {"1234567890", false}, {"abcde", true},
        {"12 34", true}, {" 12345 ", true}, {"张三", false},     {"张三丰", true},      {"张三丰李四", false},
    };
    for (const auto& c : cases) {
        chat(RecordControls::QqBox, RecordControls::ChatButton, c.number);
        const auto shown = takeMessages();
        if (c.opens) {
            EXPECT_TRUE(shown.empty()) << c.number;
            ASSERT_EQ(openedUrls_.size(), 1u) << c.number;
            // The number goes into the address as typed, blanks included.
            EXPECT_EQ(lastOpened(), expected(c.number)) << c.number;
        } else {
            EXPECT_TRUE(openedUrls_.empty()) << c.number;
            EXPECT_EQ(shown, std::vector<std::string>{kWrong}) << c.number;
            EXPECT_EQ((*messages_)->shown.back().caption.toUtf8(), "提示！");
            EXPECT_EQ((*messages_)->shown.back().flags & MessageStyle::kIconMask, MessageStyle::kInformation);
        }
    }
}

TEST_F(ChatLinkTest, EmptyNumberIsReported) {
    pressNew();
    chat(RecordControls::QqBox, RecordControls::ChatButton, "");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kEmpty});
    EXPECT_TRUE(openedUrls_.empty());
}

TEST_F(ChatLinkTest, SecondButtonUsesTheSecondNumber) {
    pressNew();
    type(recordWindow(), RecordControls::QqBox, "11111");
    chat(RecordControls::SecondQqBox, RecordControls::SecondChatButton, "22222");
    EXPECT_EQ(lastOpened(), expected("22222"));
    chat(RecordControls::SecondQqBox, RecordControls::SecondChatButton, "");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kEmpty});
}

TEST_F(ChatLinkTest, HostComesFromTheSettingsFileWithAPlainDefault) {
    const std::string fallback = chat_link_prefix(state_).toUtf8();
    EXPECT_EQ(fallback.rfind("http://", 0), 0u) << fallback;
    EXPECT_NE(fallback.back(), '/');

    ASSERT_TRUE(
        WriteIni(state_.settingsPath, T(kChatSettingsSection), T(kChatSettingsKey), T("  http://127.0.0.1:8080/ ")));
    EXPECT_EQ(chat_link_prefix(state_).toUtf8(), "http://127.0.0.1:8080");
    EXPECT_EQ(chat_link_address(chat_link_prefix(state_), T("12345")).toUtf8(),
              "http://127.0.0.1:8080/msgrd?V=1&Uin=12345&Site=lunarkite&Menu=yes");

    pressNew();
    chat(RecordControls::QqBox, RecordControls::ChatButton, "54321");
    EXPECT_EQ(lastOpened(), "http://127.0.0.1:8080/msgrd?V=1&Uin=54321&Site=lunarkite&Menu=yes");

    ASSERT_TRUE(WriteIni(state_.settingsPath, T(kChatSettingsSection), T(kChatSettingsKey), T("")));
    EXPECT_EQ(chat_link_prefix(state_).toUtf8(), fallback);
}
