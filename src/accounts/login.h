#pragma once
// Sign-in and account upkeep on the login window. The window's 记录集1 holds
// table 用户 in 用户名 order while the window exists; after a successful check
// it stands on the verified user's row, which the account changes rely on.

#include "services/window/window.h"
#include "ui/program_state.h"

#include <functional>

// The login window's own connection: opens VRL3.mdb (the program ends when it
// cannot), opens the users and fills the user list.
void open_login_database(ProgramState& state);

// Lists the user names in 组合框_用户名 and shows the last one.
void fill_user_list(ProgramState& state);

// Finds the typed user name and compares the password (password_hash.h: a
// stored hash verifies it, a plain-text password is compared exactly and
// replaced by its hash once right); tells the user which of the two is wrong.
// True when both match. While wrong passwords are being slowed down
// (sign_in_throttle.h) a try made too soon is refused with a message.
bool check_credentials(ProgramState& state);

// 按钮_登陆: on valid credentials loads the main window (loadMainWindow),
// shows the user's name and avatar there and destroys the login window.
void sign_in(ProgramState& state, const std::function<void()>& loadMainWindow);

// 按钮_修改密码: enters account edit mode after a check, or applies the
// chosen change (修改, 添加, 删除) and returns to normal mode.
void account_button(ProgramState& state);

// The login window's handlers except "created" and "destroying", which the
// program composes with its start-up and shutdown steps.
HandlerTable login_window_handlers(ProgramState& state, std::function<void()> loadMainWindow);
