#pragma once
// Names of the picture resources, one constant per picture, named after its
// use. Pass a name to PictureResource (pictures.h) for the file's bytes.
// The pictures are drawn by tools/gen_pictures.py; README.md beside this
// file shows them by window and control.

#include <array>
#include <string_view>

namespace Pictures {

// Login window, 图片框1, and about window, 图片框1 (both scale it): banner.
inline constexpr std::string_view LoginBanner = "login_banner.jpg";

// Main window, 图片框1: header strip behind the avatar, user name and weather icon.
inline constexpr std::string_view MainHeader = "main_header.jpg";
// Main window, 图片框2: footer strip behind the menu button and record count
// (the same picture as the header).
inline constexpr std::string_view MainFooter = "main_footer.jpg";
// Main window, 图片框_头像底图: frame behind the avatar.
inline constexpr std::string_view AvatarFrame = "avatar_frame.jpg";
// Main window, 图片框_头像: avatar until the signed-in user has one of their own.
inline constexpr std::string_view DefaultAvatar = "default_avatar.jpg";
// Main window, 图片框_太阳: weather icon; resting the mouse on it shows the weather window.
inline constexpr std::string_view WeatherIcon = "weather_icon.jpg";
// Main window, 图片框_搜索: magnifier inside the search box.
inline constexpr std::string_view SearchIcon = "search_icon.gif";

// Main window, 图形按钮1 (menu button): normal, hot and pressed states.
inline constexpr std::string_view MenuButtonNormal = "menu_button_normal.jpg";
inline constexpr std::string_view MenuButtonHot = "menu_button_hot.jpg";
inline constexpr std::string_view MenuButtonPressed = "menu_button_pressed.jpg";

// Main window, 图形按钮_新建 ("new"): normal, hot and disabled states.
inline constexpr std::string_view NewButtonNormal = "new_button_normal.gif";
inline constexpr std::string_view NewButtonHot = "new_button_hot.gif";
inline constexpr std::string_view NewButtonDisabled = "new_button_disabled.gif";

// Main window, 图形按钮_删除 ("delete"): normal, hot and disabled states.
inline constexpr std::string_view DeleteButtonNormal = "delete_button_normal.gif";
inline constexpr std::string_view DeleteButtonHot = "delete_button_hot.gif";
inline constexpr std::string_view DeleteButtonDisabled = "delete_button_disabled.gif";

// Main window, 图形按钮_保存 ("save"): normal, hot and disabled states.
inline constexpr std::string_view SaveButtonNormal = "save_button_normal.gif";
inline constexpr std::string_view SaveButtonHot = "save_button_hot.gif";
inline constexpr std::string_view SaveButtonDisabled = "save_button_disabled.gif";

// Contact record window, 照片框: photo of a contact without one (the default photo).
inline constexpr std::string_view DefaultPhoto = "default_photo.jpg";

// Contact record window, 图片框1: carrier logos for "联通", "移动" and "电信".
inline constexpr std::string_view CarrierLogoLianTong = "carrier_liantong.jpg";
inline constexpr std::string_view CarrierLogoYiDong = "carrier_yidong.jpg";
inline constexpr std::string_view CarrierLogoDianXin = "carrier_dianxin.jpg";

// One row per picture: the format and pixel size its file has.
struct PictureInfo {
    std::string_view name;
    std::string_view format;  // as Qt's image readers name it: "jpeg", "gif"
    int width;
    int height;
};

inline constexpr std::array AllPictures = {
    PictureInfo{LoginBanner, "jpeg", 398, 72},        PictureInfo{MainHeader, "jpeg", 379, 127},
    PictureInfo{MainFooter, "jpeg", 379, 127},        PictureInfo{AvatarFrame, "jpeg", 66, 65},
    PictureInfo{DefaultAvatar, "jpeg", 47, 46},       PictureInfo{WeatherIcon, "jpeg", 46, 46},
    PictureInfo{SearchIcon, "gif", 24, 24},           PictureInfo{MenuButtonNormal, "jpeg", 40, 40},
    PictureInfo{MenuButtonHot, "jpeg", 40, 40},       PictureInfo{MenuButtonPressed, "jpeg", 40, 40},
    PictureInfo{NewButtonNormal, "gif", 24, 24},      PictureInfo{NewButtonHot, "gif", 24, 24},
    PictureInfo{NewButtonDisabled, "gif", 24, 24},    PictureInfo{DeleteButtonNormal, "gif", 24, 24},
    PictureInfo{DeleteButtonHot, "gif", 24, 24},      PictureInfo{DeleteButtonDisabled, "gif", 24, 24},
    PictureInfo{SaveButtonNormal, "gif", 24, 24},     PictureInfo{SaveButtonHot, "gif", 24, 24},
    PictureInfo{SaveButtonDisabled, "gif", 24, 24},   PictureInfo{DefaultPhoto, "jpeg", 170, 200},
    PictureInfo{CarrierLogoLianTong, "jpeg", 20, 20}, PictureInfo{CarrierLogoYiDong, "jpeg", 20, 20},
    PictureInfo{CarrierLogoDianXin, "jpeg", 20, 20},
};

}  // namespace Pictures
