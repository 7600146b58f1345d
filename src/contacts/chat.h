#pragma once
// The QQ chat link of the record window's two "聊" buttons.

#include "services/window/window.h"
#include "ui/program_state.h"

// Where Peizhi.ini names the chat-link endpoint: the address up to, not
// including, "/msgrd?V=1&Uin=".
inline constexpr const char* kChatSettingsSection = "网络";
inline constexpr const char* kChatSettingsKey = "QQ聊天地址";

// The configured chat-link address (blanks around it and a trailing "/"
// dropped), or the built-in default when the file or the key is missing.
Text chat_link_prefix(const ProgramState& state);

// The full address for a QQ number: prefix + "/msgrd?V=1&Uin=" + number +
// "&Site=lunarkite&Menu=yes", the number as typed.
Text chat_link_address(const Text& prefix, const Text& qqNumber);

// Opens the chat link for the QQ number in the box (5 to 9 bytes), else tells
// the user why not.
void open_chat(const ProgramState& state, const Control& qqBox);
