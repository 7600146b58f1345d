#pragma once
// The contact record window: the editor of one contact, docked beside the
// main window.

#include "services/window/decl.h"

// Handler names the declaration binds.
namespace RecordHandlers {
inline constexpr const char* Created = "record_created";
inline constexpr const char* Destroying = "record_destroying";
inline constexpr const char* PhotoPressed = "record_photo_pressed";
inline constexpr const char* GroupDropDown = "record_group_drop_down";
inline constexpr const char* BirthdayPressed = "record_birthday_pressed";
inline constexpr const char* Chat = "record_chat";
inline constexpr const char* ChatSecond = "record_chat_second";
inline constexpr const char* Save = "record_save";
}  // namespace RecordHandlers

WindowDecl RecordWindowDecl();
