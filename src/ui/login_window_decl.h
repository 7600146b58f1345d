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

WindowDecl LoginWindowDecl();
