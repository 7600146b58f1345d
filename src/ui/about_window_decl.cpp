#include "ui/about_window_decl.h"

#include "ui/decl_helpers.h"
#include "ui/pictures/pictures.h"

Text AboutChatNumber() { return T("10001000"); }

WindowDecl AboutWindowDecl() {
    WindowDecl w = CentredWindow("about", T("关于"), 332, 281);
    w.controls = {
        ControlDecl{.kind = ControlKind::PicBox,
                    .name = T(AboutControls::Banner),
                    .rect = {0, 0, 328, 64},
                    .picture = PictureResource(Pictures::LoginBanner),
                    .pictureMode = PictureMode::Scaled},
        ControlDecl{.kind = ControlKind::TransLabel,
                    .name = T(AboutControls::Credits),
                    .rect = {-1, 69, 400, 137},
                    .text = T("  Varelo 通讯录 V3.0\n\n"
                              "  联系人的姓名、号码、QQ、邮箱与照片，一处保管；\n"
                              "  按姓名、拼音首字母或号码即时查找，按分组筛选；\n"
                              "  手机号码归属地查询，电子表格与文本导入导出。\n\n"
                              "  Varelo 项目组 编写，欢迎反馈意见。"),
                    .textColour = Rgb(0, 0, 0),
                    .hAlign = HAlign::Left,
                    .wordWrap = true},
        ControlDecl{.kind = ControlKind::HyperLinker,
                    .name = T(AboutControls::ChatLink),
                    .rect = {20, 204, 104, 23},
                    .text = T("QQ：") + AboutChatNumber()},
        ControlDecl{.kind = ControlKind::HyperLinker,
                    .name = T(AboutControls::SiteLink),
                    .rect = {15, 227, 208, 16},
                    .text = T("http://varelo.example.com"),
                    .linkTarget = T("http://varelo.example.com")},
        PushButton(AboutControls::ConfirmButton, {246, 222, 64, 24}, "确定", AboutHandlers::Confirm),
    };
    return w;
}
