#include "services/window/model/test_window.h"

WindowDecl EveryKindWindow(const std::string& id) {
    auto bind = [](std::initializer_list<Event> events) {
        std::vector<EventBinding> b;
        for (Event e : events) b.push_back({e, "log"});
        return b;
    };
    WindowDecl w;
    w.id = id;
    w.title = T("测试窗口");
    w.width = 400;
    w.height = 300;
    w.border = WindowBorder::NormalFixed;
    w.events = bind({Event::Created, Event::Destroying, Event::Moved, Event::Resized});

    ControlDecl edit{.kind = ControlKind::EditBox, .name = T("编辑框1"), .rect = {10, 10, 120, 20}};
    edit.text = T("初始");
    edit.font = FontDecl{T("宋体"), 12};
    edit.textColour = Rgb(128, 128, 128);
    edit.events =
        bind({Event::ContentChanged, Event::GotFocus, Event::LostFocus, Event::LeftButtonDown, Event::DoubleClicked});
    w.controls.push_back(edit);

    ControlDecl memo{.kind = ControlKind::EditBox, .name = T("编辑框_备注"), .rect = {140, 10, 120, 60}};
    memo.multiLine = true;
    memo.maxLength = 10;
    memo.scrollBars = ScrollBars::Vertical;
    memo.events = bind({Event::ContentChanged});
    w.controls.push_back(memo);

    ControlDecl box{.kind = ControlKind::PicBox, .name = T("图片框1"), .rect = {270, 10, 60, 60}};
    box.pictureMode = PictureMode::Scaled;
    box.events = bind({Event::LeftButtonDown});
    w.controls.push_back(box);

    w.controls.push_back({.kind = ControlKind::DrawPanel, .name = T("画板1"), .rect = {10, 80, 100, 60}});
    ControlDecl group{.kind = ControlKind::GroupBox, .name = T("分组框1"), .rect = {120, 80, 140, 60}};
    group.text = T("分组");
    w.controls.push_back(group);
    ControlDecl label{.kind = ControlKind::Label, .name = T("标签1"), .parent = T("分组框1"), .rect = {5, 20, 60, 20}};
    label.text = T("用户：");
    label.vAlign = VAlign::Centre;
    label.events = bind({Event::DoubleClicked});
    w.controls.push_back(label);

    ControlDecl button{.kind = ControlKind::Button, .name = T("按钮1"), .rect = {270, 80, 60, 24}};
    button.text = T("确定");
    button.events = bind({Event::Clicked});
    w.controls.push_back(button);

    ControlDecl radio{.kind = ControlKind::RadioBox, .name = T("单选框1"), .rect = {270, 110, 60, 20}};
    radio.text = T("修改");
    radio.checked = true;
    w.controls.push_back(radio);

    ControlDecl combo{.kind = ControlKind::ComboBox, .name = T("组合框1"), .rect = {10, 150, 100, 20}};
    combo.events = bind({Event::ItemSelected, Event::DropDown});
    w.controls.push_back(combo);

    w.controls.push_back({.kind = ControlKind::ProcessBar, .name = T("进度条1"), .rect = {120, 150, 100, 16}});
    ControlDecl link{.kind = ControlKind::HyperLinker, .name = T("超级链接框1"), .rect = {230, 150, 100, 20}};
    link.text = T("主页");
    link.linkTarget = T("http://127.0.0.1/");
    w.controls.push_back(link);

    ControlDecl picButton{.kind = ControlKind::PicBtn, .name = T("图形按钮1"), .rect = {340, 10, 24, 24}};
    picButton.events = bind({Event::Clicked});
    w.controls.push_back(picButton);

    ControlDecl list{.kind = ControlKind::ListView, .name = T("超级列表框1"), .rect = {10, 180, 200, 100}};
    list.list.noHeader = true;
    list.list.fullRowSelect = true;
    list.list.gridLines = true;
    list.list.autoSort = ListViewDecl::kSortDescending;
    list.textColour = Rgb(20, 155, 220);
    list.font = FontDecl{T("宋体"), 16};
    list.events = bind({Event::CurrentItemChanged, Event::ItemActivated});
    w.controls.push_back(list);

    ControlDecl trans{.kind = ControlKind::TransLabel, .name = T("透明标签1"), .rect = {220, 180, 100, 16}};
    trans.text = T("记录数");
    w.controls.push_back(trans);

    w.controls.push_back({.kind = ControlKind::HtmlViewer, .name = T("超文本浏览框1"), .rect = {220, 200, 100, 60}});
    w.controls.push_back({.kind = ControlKind::Q_tip, .name = T("气球提示框1")});
    ControlDecl timer{.kind = ControlKind::Timer, .name = T("时钟1")};
    timer.events = bind({Event::TimerTick});
    w.controls.push_back(timer);
    ControlDecl dialog{.kind = ControlKind::CommonDlg, .name = T("通用对话框1")};
    dialog.dialog.title = T("添加照片");
    dialog.dialog.filter = T("照片(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|所有文件(*.*)|*.*");
    w.controls.push_back(dialog);
    w.controls.push_back({.kind = ControlKind::DBConnection, .name = T("数据库连接1")});
    w.controls.push_back({.kind = ControlKind::RecordSet, .name = T("记录集1")});
    w.controls.push_back({.kind = ControlKind::ExcelApp, .name = T("Excel程序1")});
    w.controls.push_back({.kind = ControlKind::ExcelWorkbooks, .name = T("Excel工作簿1")});

    MenuDecl menu{.name = T("主菜单")};
    menu.items.push_back({.caption = T("导入txt"), .handler = "menu"});
    menu.items.push_back({.caption = T("关于"), .handler = "menu"});
    w.menus.push_back(menu);
    return w;
}

HandlerTable LoggingHandlers(EventLog& log) {
    HandlerTable table;
    table["log"] = [&log](const EventArgs& e) {
        const std::string who = e.control ? e.control.name().toUtf8() : std::string("window");
        log.entries.push_back(std::string(EventName(e.event)) + " " + who);
    };
    table["menu"] = [&log](const EventArgs& e) { log.entries.push_back("menu " + e.menuItem.toUtf8()); };
    return table;
}
