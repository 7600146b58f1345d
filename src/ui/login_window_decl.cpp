#include "ui/login_window_decl.h"

#include "ui/decl_helpers.h"
#include "ui/pictures/pictures.h"

WindowDecl LoginWindowDecl() {
    WindowDecl w = NormalFixedWindow("login", T("Varelo2013版"), 269, 211);
    w.events = {{Event::Created, LoginHandlers::Created}, {Event::Destroying, LoginHandlers::Destroying}};

    const auto vcentredLabel = [](const char* name, RectDecl rect, const char* caption) {
        return ControlDecl{.kind = ControlKind::Label, .name = T(name), .parent = T("分组框1"), .rect = rect,
                           .text = T(caption), .vAlign = VAlign::Centre};
    };
    const auto radio = [](const char* name, RectDecl rect, const char* caption, bool checked) {
        return ControlDecl{.kind = ControlKind::RadioBox, .name = T(name), .rect = rect, .visible = false,
                           .text = T(caption), .checked = checked};
    };

    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox, .name = T("图片框1"), .rect = {0, 0, 264, 48},
                    .picture = PictureResource(Pictures::LoginBanner), .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::GroupBox, .name = T("分组框1"), .rect = {11, 54, 242, 88}},
        vcentredLabel("标签1", {27, 18, 40, 24}, "用户："),
        ControlDecl{.kind = ControlKind::ComboBox, .name = T("组合框_用户名"), .parent = T("分组框1"),
                    .rect = {80, 20, 136, 20}, .tabOrder = 3},
        vcentredLabel("标签2", {27, 50, 40, 24}, "密码："),
        ControlDecl{.kind = ControlKind::EditBox, .name = T("编辑框_密码"), .parent = T("分组框1"),
                    .rect = {80, 52, 136, 20}, .textColour = Rgb(0, 0, 0), .backColour = Rgb(255, 255, 255),
                    .border = Border::Sunken, .inputMode = InputMode::Password,
                    .events = {{Event::EnterPressed, LoginHandlers::PasswordEnter}}},
        ControlDecl{.kind = ControlKind::Button, .name = T("按钮_修改密码"), .rect = {11, 149, 69, 24}, .tabOrder = 4,
                    .text = T("修改密码"), .events = {{Event::Clicked, LoginHandlers::AccountButton}}},
        radio("单选框_修改", {96, 151, 45, 24}, "修改", true),
        radio("单选框_添加", {154, 151, 45, 24}, "添加", false),
        radio("单选框_删除", {208, 151, 45, 24}, "删除", false),
        ControlDecl{.kind = ControlKind::Button, .name = T("按钮_登陆"), .rect = {196, 149, 56, 24}, .tabOrder = 1,
                    .text = T("登陆"), .events = {{Event::Clicked, LoginHandlers::SignIn}}},
        NonVisual(ControlKind::DBConnection, "数据库连接1"),
        NonVisual(ControlKind::RecordSet, "记录集1"),
        NonVisual(ControlKind::Q_tip, "气球提示框1"),
    };
    return w;
}
