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

// Control names the declaration gives (non-visual objects included); feature code and tests
// find the controls by these.
namespace RecordControls {
inline constexpr const char* Photo = "照片框";
inline constexpr const char* PhotoSizeLabel = "标签1";
inline constexpr const char* GroupLabel = "透明标签_分组";
inline constexpr const char* GroupBox = "组合框_分组";
inline constexpr const char* NameLabel = "透明标签_姓名";
inline constexpr const char* NameBox = "编辑框_姓名";
inline constexpr const char* MobileLabel = "透明标签_手机号";
inline constexpr const char* MobileBox = "编辑框_手机";
inline constexpr const char* CarrierIcon = "图片框1";  // the carrier's logo beside the mobile number
inline constexpr const char* SecondMobileLabel = "透明标签_手机备";
inline constexpr const char* SecondMobileBox = "编辑框_手机备";
inline constexpr const char* QqLabel = "透明标签_QQ号";
inline constexpr const char* QqBox = "编辑框_QQ";
inline constexpr const char* ChatButton = "按钮_QQ聊天";
inline constexpr const char* SecondQqLabel = "透明标签_QQ号1";
inline constexpr const char* SecondQqBox = "编辑框_QQ备";
inline constexpr const char* SecondChatButton = "按钮_QQ聊天1";
inline constexpr const char* PhoneLabel = "透明标签_邮箱1";
inline constexpr const char* PhoneBox = "编辑框_座机";
inline constexpr const char* ExtensionLabel = "透明标签_分组1";
inline constexpr const char* ExtensionBox = "编辑框_分机";
inline constexpr const char* BirthdayLabel = "透明标签_手机备1";
inline constexpr const char* BirthdayBox = "编辑框_生日";
inline constexpr const char* EmailLabel = "透明标签_手机备2";
inline constexpr const char* EmailBox = "编辑框_邮箱";
inline constexpr const char* AddressLabel = "透明标签_地址";
inline constexpr const char* AddressBox = "编辑框_地址";
inline constexpr const char* HometownLabel = "透明标签_籍贯";
inline constexpr const char* HometownBox = "编辑框_籍贯";
inline constexpr const char* RemarkGroup = "分组框1";
inline constexpr const char* RemarkBox = "编辑框_备注";
inline constexpr const char* PositionLabel = "透明标签_当前选择";
inline constexpr const char* SaveButton = "按钮_保存";
inline constexpr const char* PhotoDialog = "通用对话框1";
inline constexpr const char* Balloon = "气球提示框1";
inline constexpr const char* Carriers = "记录集2";  // the carrier segments
}  // namespace RecordControls

WindowDecl RecordWindowDecl();
