// The skin library loads from the program folder like the program loads it,
// and its entry point applies a skin file to the whole application.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <dlfcn.h>
#include "build_paths.h"

namespace {

using AttachFunction = int (*)(const char*, const char*);

constexpr const char* kLibraryFile = VARELO_PROGRAM_DIR "/libSkinH_EL.so";

class SkinLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(kLibraryFile, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        attach_ = reinterpret_cast<AttachFunction>(dlsym(handle_, "SkinH_AttachEx"));
        ASSERT_NE(attach_, nullptr) << dlerror();
        qApp->setStyleSheet(QString());
    }
    void TearDown() override {
        qApp->setStyleSheet(QString());
        if (handle_ != nullptr) dlclose(handle_);
    }

    void* handle_ = nullptr;
    AttachFunction attach_ = nullptr;
};

// Collects Qt's warnings, among them the style sheet parser's complaints.
QStringList* g_warnings = nullptr;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (g_warnings != nullptr && type != QtDebugMsg && type != QtInfoMsg) g_warnings->append(message);
}

bool Contains(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour) return true;
    return false;
}

QByteArray SkinSource() {
    QFile file(VARELO_SKIN_SOURCE);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST_F(SkinLibrary, AppliesTheSkinFileToTheApplication) {
    ASSERT_FALSE(SkinSource().isEmpty());
    EXPECT_EQ(attach_(VARELO_SKIN_SOURCE, ""), 0);
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(SkinSource()));
}

TEST_F(SkinLibrary, SecondTextIsIgnored) {
    EXPECT_EQ(attach_(VARELO_SKIN_SOURCE, nullptr), 0);
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinLibrary, UnreadableSkinFilesChangeNothing) {
    const QString before = QStringLiteral("QPushButton { color: red; }");
    qApp->setStyleSheet(before);
    QTemporaryDir dir;
    const QByteArray missing = (dir.path() + "/pf.she").toUtf8();
    EXPECT_NE(attach_(missing.constData(), ""), 0);
    EXPECT_NE(attach_(dir.path().toUtf8().constData(), ""), 0);  // a folder, not a file
    EXPECT_NE(attach_("", ""), 0);
    EXPECT_NE(attach_(nullptr, ""), 0);
    QFile empty(dir.path() + "/empty.she");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_NE(attach_(empty.fileName().toUtf8().constData(), ""), 0);
    // Far larger than any skin: refused rather than read into memory.
    QFile huge(dir.path() + "/huge.she");
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("QToolTip { color: #123456; }\n");
    huge.write(QByteArray(5 * 1024 * 1024, ' '));
    huge.close();
    EXPECT_NE(attach_(huge.fileName().toUtf8().constData(), ""), 0);
    EXPECT_EQ(qApp->styleSheet(), before);
}

TEST_F(SkinLibrary, ReadsUtf8PathsAndSkipsAByteOrderMark) {
    QTemporaryDir dir;
    QFile file(dir.path() + QStringLiteral("/皮肤.she"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "\xEF\xBB\xBF"
        "QToolTip { color: #123456; } /* 提示 */");
    file.close();
    EXPECT_EQ(attach_(file.fileName().toUtf8().constData(), ""), 0);
    EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QToolTip { color: #123456; } /* 提示 */"));
}

// The skin parses cleanly and restyles the controls, while colours the
// windows give their own controls still show.
TEST_F(SkinLibrary, SkinRestylesControlsAndKeepsDeclaredColours) {
    QDialog window;
    window.resize(300, 200);
    auto* button = new QPushButton(QStringLiteral("保存"), &window);
    button->setGeometry(10, 10, 60, 24);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(10, 50, 120, 20);
    QPalette declared = edit->palette();
    declared.setColor(QPalette::Base, QColor(202, 225, 243));
    declared.setColor(QPalette::Text, QColor(0, 136, 255));
    edit->setPalette(declared);
    auto* list = new QTreeWidget(&window);
    list->setGeometry(150, 100, 120, 60);
    list->setHeaderHidden(true);
    new QTreeWidgetItem(list, QStringList{QStringLiteral("WWWW")});
    QFont bold = list->font();
    bold.setPixelSize(20);
    bold.setBold(true);
    list->setFont(bold);
    QPalette listColours = list->palette();
    listColours.setColor(QPalette::Text, QColor(20, 155, 220));
    list->setPalette(listColours);
    auto* combo = new QComboBox(&window);
    combo->setGeometry(10, 110, 120, 20);
    combo->addItem(QStringLiteral("同事"));
    auto* group = new QGroupBox(&window);
    group->setGeometry(150, 10, 120, 80);

    const QImage plainButton = button->grab().toImage();

    QStringList warnings;
    g_warnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    const int result = attach_(VARELO_SKIN_SOURCE, "");
    window.show();
    const QImage skinned = window.grab().toImage();
    const QImage skinnedButton = button->grab().toImage();
    qInstallMessageHandler(previous);
    g_warnings = nullptr;

    ASSERT_EQ(result, 0);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();

    // Window background from the skin.
    EXPECT_EQ(QColor(skinned.pixel(280, 190)), QColor(0xf3, 0xf8, 0xfd));
    // Buttons look different.
    EXPECT_NE(plainButton, skinnedButton);
    // Button border in the skin's colour.
    EXPECT_EQ(QColor(skinnedButton.pixel(skinnedButton.width() / 2, 0)), QColor(0x8f, 0xb3, 0xdc));
    // The edit box keeps its declared background, the list its declared text colour.
    EXPECT_EQ(QColor(skinned.pixel(10 + 100, 50 + 10)), QColor(202, 225, 243));
    EXPECT_TRUE(Contains(list->grab().toImage(), QColor(20, 155, 220)));
    // List views get the skin's border.
    EXPECT_EQ(QColor(skinned.pixel(150 + 60, 100)), QColor(0xa9, 0xc4, 0xe4));
}
