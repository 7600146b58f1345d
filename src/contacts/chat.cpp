#include "contacts/chat.h"

#include "services/core/core.h"
#include "services/core/message.h"
#include "services/system/system.h"
#include "ui/settings_address.h"

namespace {
// The QQ service's public chat-link host, used until the settings file names another.
constexpr const char* kDefaultChatHost = "http://wpa.qq.com";
}  // namespace

Text chat_link_prefix(const ProgramState& state) {
    const Text configured = ConfiguredAddress(state.settingsPath, kChatSettingsSection, kChatSettingsKey);
    return configured.empty() ? Text::fromBytes(kDefaultChatHost) : configured;
}

Text chat_link_address(const Text& prefix, const Text& qqNumber) {
    return prefix + Text::fromBytes("/msgrd?V=1&Uin=") + qqNumber + Text::fromBytes("&Site=lunarkite&Menu=yes");
}

void open_chat(const ProgramState& state, const Control& qqBox) {
    const Text number = qqBox.text();
    if (number.empty()) {
        ShowMessage(T("QQ号为空，不能聊天 ！"), MessageStyle::kInformation, T("提示！"));
        return;
    }
    const int length = TextLength(number);
    if (length > 4 && length < 10) {
        OpenUrl(chat_link_address(chat_link_prefix(state), number));
        return;
    }
    ShowMessage(T("QQ号有误，不能聊天  ！"), MessageStyle::kInformation, T("提示！"));
}
