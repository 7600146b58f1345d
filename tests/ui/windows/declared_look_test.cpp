// The windows as declared, built by the window system: every declared text
// fits its control in the face 宋体 maps to, and the balloon tips carry their
// stored look.

#include "services/window/commands.h"
#include "services/window/controls/balloon_tip.h"
#include "services/window/fonts.h"
#include "services/window/window.h"
#include "support/window_driver.h"
#include "ui/about_window_decl.h"
#include "ui/batch_window_decl.h"
#include "ui/frame_window_decl.h"
#include "ui/import_export_window_decl.h"
#include "ui/login_window_decl.h"
#include "ui/main_window_decl.h"
#include "ui/photo_window_decl.h"
#include "ui/record_window_decl.h"
#include "ui/text_import_window_decl.h"
#include "ui/weather_window_decl.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStyle>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<WindowDecl> AllWindows() {
    return {LoginWindowDecl(), MainWindowDecl(),  RecordWindowDecl(),     WeatherWindowDecl(),
            PhotoWindowDecl(), FrameWindowDecl(), TextImportWindowDecl(), ImportExportWindowDecl(),
            AboutWindowDecl(), BatchWindowDecl()};
}

struct Misfit {
    std::string where;  // window/control "text"
    int need = 0, room = 0;
};

// Width a control leaves for its caption: frames, the radio indicator.
int RoomFor(const ControlDecl& c) {
    QStyle* style = QApplication::style();
    switch (c.kind) {
    case ControlKind::Button: return c.rect.width - 4;
    case ControlKind::RadioBox:
        return c.rect.width - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) -
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    case ControlKind::Label: return c.rect.width - (c.border == Border::None ? 0 : 2);
    case ControlKind::GroupBox: return c.rect.width - 16;
    default: return c.rect.width;
    }
}

bool HasCaption(const ControlDecl& c) {
    switch (c.kind) {
    case ControlKind::Button:
    case ControlKind::RadioBox:
    case ControlKind::Label:
    case ControlKind::GroupBox:
    case ControlKind::TransLabel:
    case ControlKind::HyperLinker: return !c.text.empty() && !c.wordWrap;
    default: return false;
    }
}

// Every single-line declared caption measured in `song` (for 宋体 and for the
// controls that declare no font, 12 pixels) against its control; plus the
// count label's widest run-time text.
std::vector<Misfit> MisfitsIn(const QString& song) {
    std::vector<Misfit> misfits;
    const auto measure = [&](const std::string& where, const QString& text, const ControlDecl& c,
                             std::optional<int> roomGiven = std::nullopt) {
        QFont font(song);
        font.setPixelSize(c.font ? c.font->pixelHeight : 12);
        const QFontMetrics metrics(font);
        int width = 0;
        const QStringList lines = text.split('\n');
        for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
        const int room = roomGiven.value_or(RoomFor(c));
        if (width > room) misfits.push_back({where, width, room});
        // A one-line caption in a box as tall as its font shows whole.
        if (lines.size() == 1 && metrics.height() > c.rect.height)
            misfits.push_back({where + " (height)", metrics.height(), c.rect.height});
    };
    for (const WindowDecl& w : AllWindows())
        for (const ControlDecl& c : w.controls)
            if (HasCaption(c))
                measure(w.id + "/" + c.name.toUtf8() + " \"" + c.text.toUtf8() + "\"", c.text.toQString(), c);
    // The record count of a large book stops short of the new button.
    const WindowDecl main = MainWindowDecl();
    int newButtonLeft = 0;
    for (const ControlDecl& c : main.controls)
        if (c.name == T(MainControls::NewButton)) newButtonLeft = c.rect.left;
    for (const ControlDecl& c : main.controls)
        if (c.name == T(MainControls::CountLabel))
            measure("main/透明标签_记录数 (run time)", "共 99999 条记录", c, newButtonLeft - c.rect.left);
    return misfits;
}

class DeclaredLook : public ::testing::Test, protected WindowDriver {
protected:
    void TearDown() override { closeAllWindows(); }
};

}  // namespace

TEST_F(DeclaredLook, EveryDeclaredTextFitsItsControlInTheSongFace) {
    // The Song faces measured, as the choice of stand-in was made.
    int fewest = -1;
    QString best;
    for (const QString& face : SongStandIns()) {
        if (!QFontDatabase::families().contains(face)) continue;
        const auto misfits = MisfitsIn(face);
        std::printf("%s: %zu texts do not fit\n", qPrintable(face), misfits.size());
        for (const auto& m : misfits) std::printf("  %s needs %d, has %d\n", m.where.c_str(), m.need, m.room);
        if (fewest < 0 || static_cast<int>(misfits.size()) < fewest) {
            fewest = static_cast<int>(misfits.size());
            best = face;
        }
    }
    ASSERT_FALSE(best.isEmpty()) << "no Song face installed (tools/packages.txt lists fonts-arphic-uming)";
    const QString song = InstalledFamily(T("宋体"));
    EXPECT_EQ(song, best) << "宋体 maps to the Song face that fits best";
    for (const auto& m : MisfitsIn(song)) ADD_FAILURE() << m.where << " needs " << m.need << ", has " << m.room;
    // A family declared in a sans face keeps a sans face.
    EXPECT_TRUE(SansStandIns().contains(InstalledFamily(T("黑体"))));
}

TEST_F(DeclaredLook, BuiltControlsDrawInTheSongFaceAtTheDeclaredSize) {
    ASSERT_TRUE(LoadWindow(RecordWindowDecl(), {}));
    Window* record = FindWindow("record");
    ASSERT_NE(record, nullptr);
    const QString song = InstalledFamily(T("宋体"));
    // Declared 宋体 14, and the label that declares no font.
    const QFont edit = record->control(T(RecordControls::NameBox)).widget()->font();
    EXPECT_EQ(edit.family(), song);
    EXPECT_EQ(edit.pixelSize(), 14);
    QWidget* label = record->control(T(RecordControls::PhotoSizeLabel)).widget();
    EXPECT_EQ(label->font().family(), song);
    EXPECT_EQ(label->font().pixelSize(), 12);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(QStringLiteral("照片尺寸：200*170")),
              label->contentsRect().width());
}

TEST_F(DeclaredLook, BalloonTipsCarryTheirStoredLook) {
    struct Expected {
        WindowDecl decl;
        const char* balloon;
        int behaviour, delay, display, fade;
        bool tailAndShadow;
    };
    const std::vector<Expected> balloons = {
        {RecordWindowDecl(), RecordControls::Balloon, 1 | 4, 20, 5000, 10, true},
        {TextImportWindowDecl(), TextImportControls::Balloon, 1 | 2 | 8, 500, 10000, 0, true},
        {PhotoWindowDecl(), PhotoControls::Balloon, 1, 600, 3000, 0, false},
    };
    for (const auto& e : balloons) {
        ASSERT_TRUE(LoadWindow(e.decl, {})) << e.decl.id;
        Window* w = FindWindow(e.decl.id);
        ASSERT_NE(w, nullptr);
        BalloonTip* balloon = w->balloon(T(e.balloon));
        ASSERT_NE(balloon, nullptr) << e.decl.id;
        const BalloonTipSettings& s = balloon->settings();
        SCOPED_TRACE(e.decl.id);
        EXPECT_EQ(s.background[0], QColor(255, 255, 225));
        EXPECT_EQ(s.background[1], QColor(255, 255, 225));
        EXPECT_EQ(s.background[2], QColor(255, 192, 192));
        EXPECT_EQ(s.background[3], QColor(192, 192, 255));
        EXPECT_EQ(s.borderColour, QColor(0, 0, 0));
        EXPECT_EQ(s.borderWidth, 1);
        EXPECT_EQ(s.tailPosition, 9);
        EXPECT_EQ(s.transparency, 10);
        EXPECT_EQ(s.behaviour, e.behaviour);
        EXPECT_EQ(s.cornerWidth, 16);
        EXPECT_EQ(s.marginH, 12);
        EXPECT_EQ(s.initialDelay, e.delay);
        EXPECT_EQ(s.displayTime, e.display);
        EXPECT_EQ(s.fadeInStep, e.fade);
        EXPECT_EQ(s.fadeOutStep, e.fade);
        EXPECT_EQ(s.tailWidth > 0 && s.tailHeight > 0, e.tailAndShadow);
        EXPECT_EQ(s.shadowRight != 0 || s.shadowDown != 0, e.tailAndShadow);
        DestroyWindow(w, true);
    }
}
