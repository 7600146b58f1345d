#include "ui/login_window_decl.h"

#include "ui/decl_helpers.h"
#include "ui/pictures/pictures.h"

WindowDecl LoginWindowDecl() {
    WindowDecl w = CentredWindow("login", T("Varelo2013版"), 269, 211);
    w.events = {{Event::Created, LoginHandlers::Created}, {Event::Destroying, LoginHandlers::Destroying}};

    const auto vcentredLabel = [](const char* name, RectDecl rect, const char* caption) {
        return ControlDecl{.kind = ControlKind::Label,
                           .name = T(name),
                           .parent = T(LoginControls::CredentialsGroup),
                           .rect = rect,
                           .text = T(caption),
                           .vAlign = VAlign::Centre};
    };
    const auto radio = [](const char* name, RectDecl rect, const char* caption, bool checked) {
        return ControlDecl{.kind = ControlKind::RadioBox,
                           .name = T(name),
                           .rect = rect,
                           .visible = false,
                           .text = T(caption),
                           .checked = checked};
    };

    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(LoginControls::Banner),
                    .rect = {0, 0, 264, 48},
                    .picture = PictureResource(Pictures::LoginBanner),
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{
            .kind = ControlKind::GroupBox, .name = T(LoginControls::CredentialsGroup), .rect = {11, 54, 242, 88}},
        vcentredLabel(LoginControls::UserLabel, {27, 18, 40, 24}, "用户："),
        ControlDecl{.kind = ControlKind::ComboBox,
                    .name = T(LoginControls::UserNameBox),
                    .parent = T(LoginControls::CredentialsGroup),
                    .rect = {80, 20, 136, 20},
                    .tabOrder = 3},
        vcentredLabel(LoginControls::PasswordLabel, {27, 50, 40, 24}, "密码："),
        ControlDecl{.kind = ControlKind::EditBox,
                    .name = T(LoginControls::PasswordBox),
                    .parent = T(LoginControls::CredentialsGroup),
                    .rect = {80, 52, 136, 20},
                    .textColour = Rgb(0, 0, 0),
                    .backColour = Rgb(255, 255, 255),
                    .border = Border::Sunken,
                    .inputMode = InputMode::Password,
                    .events = {{Event::EnterPressed, LoginHandlers::PasswordEnter}}},
        ControlDecl{.kind = ControlKind::Button,
                    .name = T(LoginControls::AccountButton),
                    .rect = {11, 149, 69, 24},
                    .tabOrder = 4,
                    .text = T("修改密码"),
                    .events = {{Event::Clicked, LoginHandlers::AccountButton}}},
        radio(LoginControls::ModifyRadio, {96, 151, 45, 24}, "修改", true),
        radio(LoginControls::AddRadio, {154, 151, 45, 24}, "添加", false),
        radio(LoginControls::DeleteRadio, {208, 151, 45, 24}, "删除", false),
        ControlDecl{.kind = ControlKind::Button,
                    .name = T(LoginControls::SignInButton),
                    .rect = {196, 149, 56, 24},
                    .tabOrder = 1,
                    .text = T("登陆"),
                    .events = {{Event::Clicked, LoginHandlers::SignIn}}},
        NonVisual(ControlKind::DBConnection, LoginControls::AddressBook),
        NonVisual(ControlKind::RecordSet, LoginControls::Users),
        NonVisual(ControlKind::Q_tip, LoginControls::Balloon),
    };
    return w;
}
