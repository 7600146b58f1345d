// Transparent labels rendered over a coloured parent.

#include "services/window/controls/transparent_label.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPalette>

namespace {

const QRgb kBackground = 0x00A000;  // the parent's green

bool isBackground(QRgb p) { return (p & 0xFFFFFF) == kBackground; }
bool isText(QRgb p) { return (p & 0xFFFFFF) == 0xFF0000; }

class TransparentLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(240, 120);
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, QColor(kBackground));
        parent.setPalette(palette);
        label = new TransparentLabel(&parent);
        label->setGeometry(20, 20, 160, 60);
        QFont font;
        font.setPixelSize(14);
        font.setStyleStrategy(QFont::NoAntialias);  // exact pixel colours
        label->setTextFont(font);
        label->setTextColor(Qt::red);
        label->setCaption(Text::fromBytes("Hello"));
    }

    QImage render() {
        QImage image(parent.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        parent.render(&image);
        return image;
    }

    // Bounding box of pixels of the text colour.
    static QRect textBox(const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (isText(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
        return box;
    }

    QWidget parent;
    TransparentLabel* label = nullptr;
};

}  // namespace

TEST_F(TransparentLabelTest, DrawsNoBackgroundOfItsOwn) {
    const QImage image = render();
    EXPECT_TRUE(isBackground(image.pixel(21, 21)));
    EXPECT_TRUE(isBackground(image.pixel(178, 78)));
    EXPECT_FALSE(textBox(image).isEmpty());
    EXPECT_TRUE(label->geometry().contains(textBox(image)));
}

TEST_F(TransparentLabelTest, DefaultsAndClamping) {
    TransparentLabel fresh;
    EXPECT_EQ(fresh.caption(), T("透明标签"));
    EXPECT_EQ(fresh.windowTitle(), QStringLiteral("透明标签"));
    EXPECT_EQ(fresh.effect(), 0);
    EXPECT_EQ(fresh.horizontalAlignment(), 0);
    EXPECT_EQ(fresh.verticalAlignment(), 1);
    EXPECT_FALSE(fresh.wordWrap());
    EXPECT_EQ(fresh.textColor(), QColor(Qt::black));
    fresh.setEffect(9);
    EXPECT_EQ(fresh.effect(), 3);
    fresh.setEffect(-2);
    EXPECT_EQ(fresh.effect(), 0);
    fresh.setHorizontalAlignment(5);
    EXPECT_EQ(fresh.horizontalAlignment(), 2);
    fresh.setVerticalAlignment(-1);
    EXPECT_EQ(fresh.verticalAlignment(), 0);
    fresh.setCaption(T("分组："));
    EXPECT_EQ(fresh.windowTitle(), QStringLiteral("分组："));
}

TEST_F(TransparentLabelTest, HorizontalAlignment) {
    const QRect left = textBox(render());
    label->setHorizontalAlignment(2);
    const QRect right = textBox(render());
    label->setHorizontalAlignment(1);
    const QRect centre = textBox(render());
    EXPECT_LE(left.left() - 20, 3);
    EXPECT_LE(180 - right.right(), 4);
    EXPECT_NEAR((centre.left() - 20) - (179 - centre.right()), 0, 3);
    EXPECT_NEAR(left.width(), right.width(), 1);
}

TEST_F(TransparentLabelTest, VerticalAlignmentOfASingleLine) {
    label->setVerticalAlignment(0);
    const QRect top = textBox(render());
    label->setVerticalAlignment(2);
    const QRect bottom = textBox(render());
    label->setVerticalAlignment(1);
    const QRect centre = textBox(render());
    EXPECT_LT(top.top(), centre.top());
    EXPECT_LT(centre.top(), bottom.top());
    EXPECT_LE(top.top() - 20, 6);
    EXPECT_LE(80 - bottom.bottom(), 6);
}

TEST_F(TransparentLabelTest, WordWrapBreaksLinesAndSingleLineIsCut) {
    label->setGeometry(20, 20, 70, 90);
    label->setCaption(Text::fromBytes("alpha beta gamma delta epsilon"));
    const QRect single = textBox(render());
    // The single line is cut at the box: nothing right of the label.
    EXPECT_LE(single.right(), 89);
    EXPECT_LT(single.height(), 20);
    label->setWordWrap(true);
    const QRect wrapped = textBox(render());
    EXPECT_GT(wrapped.height(), 2 * 14);
    EXPECT_LE(wrapped.right(), 89);
    EXPECT_LE(wrapped.top() - 20, 6);  // wrapped text starts at the top
}

TEST_F(TransparentLabelTest, EffectsDrawUnderTheText) {
    auto count = [](const QImage& image, QRgb colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == colour;
        return n;
    };
    const QImage plain = render();
    EXPECT_EQ(count(plain, 0x000000), 0);
    EXPECT_EQ(count(plain, 0xFFFFFF), 0);

    label->setEffect(TransparentLabel::Shadowed);
    const QImage shadowed = render();
    EXPECT_GT(count(shadowed, 0x000000), 0);
    // The black copy lies two pixels right and down of the text.
    const QRect text = textBox(shadowed);
    QRect black;
    for (int y = 0; y < shadowed.height(); ++y)
        for (int x = 0; x < shadowed.width(); ++x)
            if ((shadowed.pixel(x, y) & 0xFFFFFF) == 0) black |= QRect(x, y, 1, 1);
    EXPECT_EQ(black.bottomRight(), text.bottomRight() + QPoint(2, 2));

    label->setEffect(TransparentLabel::Raised);
    const QImage raised = render();
    EXPECT_GT(count(raised, 0xFFFFFF), 0);
    EXPECT_EQ(count(raised, 0x000000), 0);

    label->setEffect(TransparentLabel::Sunken);
    const QImage sunken = render();
    EXPECT_GT(count(sunken, 0xFFFFFF), 0);
    // The text itself moved one pixel right and down.
    EXPECT_EQ(textBox(sunken).bottomRight(), textBox(plain).bottomRight() + QPoint(1, 1));
}

TEST_F(TransparentLabelTest, AmpersandIsDrawnAsItIs) {
    label->setCaption(Text::fromBytes("A&B"));
    const int withAmpersand = textBox(render()).width();
    label->setCaption(Text::fromBytes("AB"));
    EXPECT_GT(withAmpersand, textBox(render()).width());
}

TEST_F(TransparentLabelTest, WithoutAFontOfItsOwnTheWindowsFontApplies) {
    label->setTextFont(std::nullopt);
    QFont big;
    big.setPixelSize(30);
    big.setStyleStrategy(QFont::NoAntialias);
    parent.setFont(big);
    EXPECT_EQ(label->textFont().pixelSize(), 30);
    const int tall = textBox(render()).height();
    QFont small = big;
    small.setPixelSize(10);
    label->setTextFont(small);
    EXPECT_LT(textBox(render()).height(), tall);
}
