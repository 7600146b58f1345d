#pragma once
// The login window: the start window, where a user signs in and where a
// verified user changes the password, adds an account or deletes it.

#include "services/window/decl.h"

// Handler names the declaration binds.
namespace LoginHandlers {
inline constexpr const char* Created = "login_created";
inline constexpr const char* Destroying = "login_destroying";
inline constexpr const char* SignIn = "login_sign_in";
inline constexpr const char* AccountButton = "login_account_button";
inline constexpr const char* PasswordEnter = "login_password_enter";
}  // namespace LoginHandlers

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace LoginControls {
inline constexpr const char* Banner = "图片框1";
inline constexpr const char* CredentialsGroup = "分组框1";
inline constexpr const char* UserLabel = "标签1";
inline constexpr const char* UserNameBox = "组合框_用户名";
inline constexpr const char* PasswordLabel = "标签2";
inline constexpr const char* PasswordBox = "编辑框_密码";
inline constexpr const char* AccountButton = "按钮_修改密码";
inline constexpr const char* ModifyRadio = "单选框_修改";
inline constexpr const char* AddRadio = "单选框_添加";
inline constexpr const char* DeleteRadio = "单选框_删除";
inline constexpr const char* SignInButton = "按钮_登陆";
inline constexpr const char* AddressBook = "数据库连接1";
inline constexpr const char* Users = "记录集1";
inline constexpr const char* Balloon = "气球提示框1";
}  // namespace LoginControls

WindowDecl LoginWindowDecl();
