// Screen capture: clipping to the screen and the BMP layout.

#include "services/system/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace {

std::uint32_t u32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
unsigned u16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

struct BmpHeader {
    std::uint32_t fileSize, pixelOffset, infoSize, width, height;
    unsigned planes, bits;
};

BmpHeader headerOf(const Bytes& b) {
    EXPECT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    return {u32(b, 2), u32(b, 10), u32(b, 14), u32(b, 18), u32(b, 22), u16(b, 26), u16(b, 28)};
}

QSize screenSize() { return QGuiApplication::primaryScreen()->size(); }

}  // namespace

TEST(ScreenCapture, AreaPastTheRightEdgeIsClipped) {
    const QSize screen = screenSize();
    const Bytes bmp = ScreenCaptureBytes(Rect{screen.width() - 10, 5, screen.width() + 30, 25});
    ASSERT_FALSE(bmp.empty());
    const BmpHeader h = headerOf(bmp);
    EXPECT_EQ(h.width, 10u);
    EXPECT_EQ(h.height, 20u);
    EXPECT_EQ(h.bits, 24u);
    EXPECT_EQ(h.planes, 1u);
    EXPECT_EQ(h.infoSize, 40u);
    EXPECT_EQ(h.pixelOffset, 54u);
    // 10 pixels of 3 bytes padded to 32 bytes a row.
    EXPECT_EQ(h.fileSize, 54u + 32u * 20u);
    EXPECT_EQ(bmp.size(), h.fileSize);
}

TEST(ScreenCapture, AreaPastTheTopLeftCornerIsClipped) {
    const BmpHeader h = headerOf(ScreenCaptureBytes(Rect{-5, -7, 10, 10}));
    EXPECT_EQ(h.width, 10u);
    EXPECT_EQ(h.height, 10u);
}

TEST(ScreenCapture, WholeScreenWhenNoArea) {
    const BmpHeader h = headerOf(ScreenCaptureBytes());
    EXPECT_EQ(h.width, static_cast<std::uint32_t>(screenSize().width()));
    EXPECT_EQ(h.height, static_cast<std::uint32_t>(screenSize().height()));
}

TEST(ScreenCapture, NothingOnScreenGivesNothing) {
    TempFolder folder;
    const QSize screen = screenSize();
    EXPECT_TRUE(ScreenCaptureBytes(Rect{-100, 0, -10, 50}).empty());                              // left of the screen
    EXPECT_TRUE(ScreenCaptureBytes(Rect{0, screen.height(), 20, screen.height() + 40}).empty());  // below it
    EXPECT_TRUE(ScreenCaptureBytes(Rect{10, 10, 10, 50}).empty());                                // no width
    EXPECT_TRUE(ScreenCaptureBytes(Rect{30, 10, 20, 50}).empty());                                // inverted
    EXPECT_FALSE(ScreenCapture(Rect{-100, 0, -10, 50}, kCaptureToFile, folder.fileText("off.bmp")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.file("off.bmp"))));
    EXPECT_FALSE(ScreenCapture(Rect{-100, 0, -10, 50}, kCaptureToBytes));
    EXPECT_FALSE(ScreenCapture(Rect{-100, 0, -10, 50}, kCaptureToClipboard));
}

TEST(ScreenCapture, ModeZeroWritesTheLayoutOfModeTwo) {
    TempFolder folder;
    const Rect area{3, 4, 33, 24};
    ASSERT_TRUE(ScreenCapture(area, kCaptureToFile, folder.fileText("截图.bmp")));
    QFile file(QString::fromStdString(folder.file("截图.bmp")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const Bytes bytes(written.begin(), written.end());
    // The screen may change between two captures; the layout may not.
    const Bytes again = ScreenCaptureBytes(area);
    ASSERT_EQ(bytes.size(), again.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 54, again.begin()));
    EXPECT_EQ(headerOf(bytes).fileSize, bytes.size());
    // A mode outside 0-2 counts as 0; an existing file is replaced.
    ASSERT_TRUE(ScreenCapture(Rect{0, 0, 4, 4}, 9, folder.fileText("截图.bmp")));
    EXPECT_EQ(QFile(QString::fromStdString(folder.file("截图.bmp"))).size(), 54 + 12 * 4);
}

TEST(ScreenCapture, ModeZeroFailsWhenTheFileCannotBeCreated) {
    TempFolder folder;
    EXPECT_FALSE(ScreenCapture(Rect{0, 0, 4, 4}, kCaptureToFile, folder.fileText("no/such/folder/x.bmp")));
    EXPECT_FALSE(ScreenCapture(Rect{0, 0, 4, 4}, kCaptureToFile, Text()));
}

TEST(ScreenCapture, ModeOnePutsThePictureOnTheClipboard) {
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(ScreenCapture(Rect{0, 0, 7, 5}, kCaptureToClipboard));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(7, 5));
}

TEST(BmpFileBytes, RowsBottomUpInBlueGreenRedOrder) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(4, 5, 6));
    image.setPixel(0, 1, qRgb(7, 8, 9));
    image.setPixel(1, 1, qRgb(10, 11, 12));
    const Bytes bmp = BmpFileBytes(image);
    ASSERT_EQ(bmp.size(), 54u + 8u * 2u);
    // First row stored is the bottom one: (7,8,9) (10,11,12), then 2 bytes of padding.
    const Bytes bottom(bmp.begin() + 54, bmp.begin() + 62);
    EXPECT_EQ(bottom, (Bytes{9, 8, 7, 12, 11, 10, 0, 0}));
    const Bytes top(bmp.begin() + 62, bmp.begin() + 70);
    EXPECT_EQ(top, (Bytes{3, 2, 1, 6, 5, 4, 0, 0}));
    // It reads back as the same picture.
    const QImage back = DecodePicture(bmp);
    ASSERT_EQ(back.size(), QSize(2, 2));
    EXPECT_EQ(back.pixel(1, 1) & 0xFFFFFF, qRgb(10, 11, 12) & 0xFFFFFF);
}

TEST(BmpFileBytes, IndexedPictureCarriesItsColourTable) {
    QImage image(3, 1, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0)});
    image.setPixel(0, 0, 0);
    image.setPixel(1, 0, 1);
    image.setPixel(2, 0, 0);
    const Bytes bmp = BmpFileBytes(image);
    const BmpHeader h = headerOf(bmp);
    EXPECT_EQ(h.bits, 8u);
    EXPECT_EQ(h.pixelOffset, 54u + 1024u);
    EXPECT_EQ(h.fileSize, 54u + 1024u + 4u);
    EXPECT_EQ(bmp.size(), h.fileSize);
    EXPECT_EQ(bmp[54 + 4 + 1], 255);  // second colour, green byte
    const Bytes row(bmp.begin() + 54 + 1024, bmp.end());
    EXPECT_EQ(row, (Bytes{0, 1, 0, 0}));
    EXPECT_TRUE(BmpFileBytes(QImage()).empty());
}

TEST(BmpFileBytes, DisplaysOfFewColours) {
    QImage image(5, 2, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    image.setPixel(4, 1, qRgb(255, 255, 255));

    const Bytes mono = BmpFileBytes(image, 1);
    BmpHeader h = headerOf(mono);
    EXPECT_EQ(h.bits, 1u);
    EXPECT_EQ(h.pixelOffset, 54u + 8u);
    EXPECT_EQ(mono.size(), 54u + 8u + 4u * 2u);
    EXPECT_EQ(h.fileSize, mono.size());
    // Bottom row first, leftmost pixel in the high bit: only x = 4 is set below.
    const QImage back = DecodePicture(mono);
    ASSERT_EQ(back.size(), QSize(5, 2));
    EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(back.pixel(1, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(back.pixel(4, 1) & 0xFFFFFF, 0xFFFFFFu);

    const Bytes sixteen = BmpFileBytes(image, 4);
    h = headerOf(sixteen);
    EXPECT_EQ(h.bits, 4u);
    EXPECT_EQ(h.pixelOffset, 54u + 64u);
    EXPECT_EQ(sixteen.size(), 54u + 64u + 4u * 2u);  // 5 pixels of 4 bits: 3 bytes, padded to 4
    const QImage back4 = DecodePicture(sixteen);
    ASSERT_EQ(back4.size(), QSize(5, 2));
    EXPECT_EQ(back4.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(back4.pixel(2, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(back4.pixel(4, 1) & 0xFFFFFF, 0xFFFFFFu);

    EXPECT_TRUE(BmpFileBytes(image, 16).empty());
}
