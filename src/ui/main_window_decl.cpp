#include "ui/main_window_decl.h"

#include "ui/decl_helpers.h"
#include "ui/pictures/pictures.h"

#include "services/window/commands.h"
#include "services/window/window.h"

Text MainMenuName() { return T(MainControls::Menu); }

Text ExchangeDialogName() { return T(MainControls::ExchangeDialog); }

Text PhotoFileFilter() { return T("照片(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|所有文件(*.*)|*.*"); }

Window* MainWindow() { return FindWindow("main"); }

Control MainControl(const char* name) {
    Window* main = MainWindow();
    return main ? main->control(T(name)) : Control();
}

DBConnection* MainAddressBook() {
    Window* main = MainWindow();
    return main ? main->connection(T(MainControls::AddressBook)) : nullptr;
}

namespace {

ImageButtonDecl ThreeStateButton(std::string_view normal, std::string_view hot, std::string_view disabled) {
    ImageButtonDecl b;
    b.normal = PictureResource(normal);
    b.hot = PictureResource(hot);
    b.disabled = PictureResource(disabled);
    return b;
}

}  // namespace

WindowDecl MainWindowDecl() {
    using namespace MainHandlers;
    WindowDecl w = CentredWindow("main", T("VareloV3.0"), 234, 583);
    w.minimizeButton = true;
    w.events = {{Event::Created, Created}, {Event::Destroying, Destroying}, {Event::Moved, Moved}};

    ImageButtonDecl menuButton;
    menuButton.normal = PictureResource(Pictures::MenuButtonNormal);
    menuButton.hot = PictureResource(Pictures::MenuButtonHot);
    menuButton.pressed = PictureResource(Pictures::MenuButtonPressed);

    ListViewDecl list;
    list.border = Border::Sunken;
    list.noHeader = true;
    list.fullRowSelect = true;
    list.gridLines = true;
    list.autoSort = ListViewDecl::kSortDescending;
    list.singleSelection = true;

    CommonDialog photoDialog;
    photoDialog.kind = CommonDialog::kOpenFile;
    photoDialog.filter = PhotoFileFilter();

    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::Banner),
                    .rect = {0, 0, 264, 56},
                    .picture = PictureResource(Pictures::MainHeader),
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::AvatarFrame),
                    .parent = T(MainControls::Banner),
                    .rect = {4, 0, 48, 48},
                    .cursor = Cursor::Hand,
                    .picture = PictureResource(Pictures::AvatarFrame),
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::Avatar),
                    .parent = T(MainControls::AvatarFrame),
                    .rect = {4, 4, 39, 39},
                    .cursor = Cursor::Hand,
                    .picture = PictureResource(Pictures::DefaultAvatar),
                    .pictureMode = PictureMode::Scaled,
                    .events = {{Event::LeftButtonDown, AvatarPressed}}},
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(MainControls::UserLabel),
                    .parent = T(MainControls::Banner),
                    .rect = {63, 9, 118, 12},
                    .textColour = Rgb(0, 0, 0),
                    .hAlign = HAlign::Left},
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::WeatherIcon),
                    .parent = T(MainControls::Banner),
                    .rect = {178, 0, 46, 46},
                    .cursor = Cursor::Hand,
                    .picture = PictureResource(Pictures::WeatherIcon),
                    .pictureMode = PictureMode::Centred},
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(MainControls::TitleLabel),
                    .rect = {64, 30, 120, 12},
                    .text = T("Varelo 通讯录"),
                    .textColour = Rgb(0, 0, 0),
                    .hAlign = HAlign::Left},
        ControlDecl{.kind = ControlKind::ComboBox,
                    .name = T(MainControls::GroupFilter),
                    .rect = {12, 57, 93, 20},
                    .textColour = kHintGrey,
                    .backColour = Rgb(255, 255, 255),
                    .events = {{Event::ItemSelected, GroupSelected}}},
        ControlDecl{.kind = ControlKind::EditBox,
                    .name = T(MainControls::SearchBox),
                    .rect = {104, 57, 124, 20},
                    .tabOrder = 10,
                    .font = FontDecl{T("宋体"), 12},
                    .textColour = kHintGrey,
                    .backColour = Rgb(255, 255, 255),
                    .border = Border::Sunken,
                    .events = {{Event::GotFocus, SearchGotFocus},
                               {Event::LostFocus, SearchLostFocus},
                               {Event::ContentChanged, SearchChanged}}},
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::SearchIcon),
                    .rect = {214, 61, 13, 13},
                    .picture = PictureResource(Pictures::SearchIcon),
                    .pictureMode = PictureMode::Scaled},
        // Declared after the magnifier so that it lies over it when shown.
        ControlDecl{.kind = ControlKind::Button,
                    .name = T(MainControls::ClearSearchButton),
                    .rect = {207, 57, 20, 20},
                    .visible = false,
                    .text = T("╳"),
                    .font = FontDecl{T("宋体"), 10},
                    .events = {{Event::Clicked, ClearSearch}}},
        ControlDecl{.kind = ControlKind::ListView,
                    .name = T(MainControls::ContactList),
                    .rect = {12, 76, 216, 433},
                    .font = FontDecl{T("宋体"), 16},
                    .textColour = Rgb(20, 155, 220),
                    .backColour = Rgb(255, 255, 255),
                    .border = Border::Sunken,
                    .list = list,
                    .events = {{Event::CurrentItemChanged, RowSelected}, {Event::ItemActivated, RowActivated}}},
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(MainControls::Footer),
                    .rect = {0, 508, 264, 47},
                    .picture = PictureResource(Pictures::MainFooter),
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::PicBtn,
                    .name = T(MainControls::MenuButton),
                    .parent = T(MainControls::Footer),
                    .rect = {2, 4, 40, 40},
                    .cursor = Cursor::Hand,
                    .imageButton = menuButton,
                    .events = {{Event::Clicked, MenuButton}}},
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(MainControls::CountLabel),
                    .parent = T(MainControls::Footer),
                    .rect = {45, 16, 96, 16},
                    .textColour = Rgb(255, 255, 255),
                    .hAlign = HAlign::Left},
        ControlDecl{.kind = ControlKind::PicBtn,
                    .name = T(MainControls::NewButton),
                    .rect = {137, 519, 24, 24},
                    .imageButton = ThreeStateButton(Pictures::NewButtonNormal, Pictures::NewButtonHot,
                                                    Pictures::NewButtonDisabled),
                    .events = {{Event::Clicked, NewContact}}},
        ControlDecl{.kind = ControlKind::PicBtn,
                    .name = T(MainControls::DeleteButton),
                    .rect = {168, 519, 24, 24},
                    .imageButton = ThreeStateButton(Pictures::DeleteButtonNormal, Pictures::DeleteButtonHot,
                                                    Pictures::DeleteButtonDisabled),
                    .events = {{Event::Clicked, DeleteContact}}},
        ControlDecl{.kind = ControlKind::PicBtn,
                    .name = T(MainControls::SaveButton),
                    .rect = {198, 519, 24, 24},
                    .imageButton = ThreeStateButton(Pictures::SaveButtonNormal, Pictures::SaveButtonHot,
                                                    Pictures::SaveButtonDisabled),
                    .events = {{Event::Clicked, SaveContact}}},
        ControlDecl{.kind = ControlKind::CommonDlg, .name = T(MainControls::PhotoDialog), .dialog = photoDialog},
        ControlDecl{.kind = ControlKind::CommonDlg, .name = ExchangeDialogName()},
        ControlDecl{.kind = ControlKind::Timer,
                    .name = T(MainControls::WeatherTimer),
                    .interval = 1000,
                    .events = {{Event::TimerTick, WeatherTick}}},
        ControlDecl{.kind = ControlKind::Timer, .name = T(MainControls::SpareTimer), .interval = 0},
        NonVisual(ControlKind::DBConnection, MainControls::AddressBook),
        NonVisual(ControlKind::RecordSet, MainControls::Contacts),
        NonVisual(ControlKind::RecordSet, MainControls::Users),
    };

    const auto item = [](const char* caption, const char* handler) {
        return MenuItemDecl{.caption = T(caption), .handler = handler};
    };
    w.menus = {
        MenuDecl{.name = MainMenuName(),
                 .visible = false,
                 .items = {item("导入txt", MenuTextImport), item("导入\\导出", MenuImportExport),
                           item("导入vCard", MenuImportVCard), item("导出vCard", MenuExportVCard),
                           item("导入CSV", MenuImportCsv), item("导出CSV", MenuExportCsv),
                           item("删除全部", MenuDeleteAll), item("号码归属", MenuBatch), item("关于", MenuAbout)}}};
    return w;
}
