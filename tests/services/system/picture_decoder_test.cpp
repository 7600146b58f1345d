// The picture decoder and the image size commands on real picture files.

#include "services/system/system.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QImage>

namespace {

Bytes encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality));
    return Bytes(data.begin(), data.end());
}

// 17 x 9: left half red, right half blue; odd sizes catch row and padding slips.
QImage twoColourImage() {
    QImage image(17, 9, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, x < 8 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return image;
}

// 3 x 2 GIF with a four-colour palette: red green blue / white red green.
const Bytes kGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x02, 0x00, 0x81, 0x00, 0x00, 0xff, 0x00,
                    0x00, 0x00, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0x2c, 0x00, 0x00, 0x00, 0x00,
                    0x03, 0x00, 0x02, 0x00, 0x00, 0x02, 0x05, 0x04, 0x43, 0x71, 0x04, 0x53, 0x00, 0x3b};

bool near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

}  // namespace

TEST(DecodePicture, JpegKeepsSizeAndColours) {
    const QImage image = DecodePicture(encoded(twoColourImage(), "JPEG", 95));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(17, 9));
    EXPECT_TRUE(near(image.pixel(2, 4), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(image.pixel(14, 4), qRgb(0, 0, 255)));
}

TEST(DecodePicture, GreyscaleJpegBecomesGreyPixels) {
    QImage grey(5, 4, QImage::Format_Grayscale8);
    grey.fill(200);
    const QImage image = DecodePicture(encoded(grey, "JPEG", 95));
    ASSERT_EQ(image.size(), QSize(5, 4));
    EXPECT_TRUE(near(image.pixel(1, 1), qRgb(200, 200, 200), 6));
}

TEST(DecodePicture, GifPixelsInPlace) {
    const QImage image = DecodePicture(kGif);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(1, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(image.pixel(2, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(image.pixel(0, 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(DecodePicture, BmpAndIcon) {
    const QImage bmp = DecodePicture(encoded(twoColourImage(), "BMP"));
    ASSERT_EQ(bmp.size(), QSize(17, 9));
    EXPECT_EQ(bmp.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bmp.pixel(16, 8) & 0xFFFFFF, 0x0000FFu);

    QImage iconImage(16, 16, QImage::Format_ARGB32);
    iconImage.fill(qRgb(0, 128, 0));
    const Bytes icon = encoded(iconImage, "ICO");
    EXPECT_EQ(DecodePicture(icon).size(), QSize(16, 16));
    // The same picture as a cursor: resource type 2, hot spot in place of planes and bits.
    Bytes cursor = icon;
    cursor[2] = 2;
    cursor[10] = 8;
    cursor[11] = 0;
    cursor[12] = 8;
    cursor[13] = 0;
    EXPECT_EQ(DecodePicture(cursor).size(), QSize(16, 16));
}

TEST(DecodePicture, WhatIsNoPictureGivesNullImage) {
    const std::string text = "this is plain text, not a picture";
    EXPECT_TRUE(DecodePicture(Bytes(text.begin(), text.end())).isNull());
    EXPECT_TRUE(DecodePicture(Bytes()).isNull());
    // The JPEG signature followed by garbage: libjpeg reports an error, the
    // decoder gives up instead of ending the program.
    Bytes fake(212, 0x5A);
    const unsigned char start[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01};
    std::copy(std::begin(start), std::end(start), fake.begin());
    EXPECT_TRUE(DecodePicture(fake).isNull());
}

TEST(DecodePicture, TruncatedJpegDoesNotEndTheProgram) {
    const Bytes whole = encoded(twoColourImage(), "JPEG", 95);
    // Cut in the pixel data: the part read is kept at the full size.
    const Bytes half(whole.begin(), whole.begin() + static_cast<long>(whole.size() * 3 / 4));
    const QImage partial = DecodePicture(half);
    if (!partial.isNull()) {
        EXPECT_EQ(partial.size(), QSize(17, 9));
    }
    // Cut inside the header: nothing to show.
    const Bytes header(whole.begin(), whole.begin() + 30);
    EXPECT_TRUE(DecodePicture(header).isNull());
}

TEST(DecodePicture, ForgedHugeJpegIsRefused) {
    Bytes jpeg = encoded(twoColourImage(), "JPEG");
    // Rewrite the frame header's size to 9000 x 9000: 324 MB of pixels.
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = 0x23;
            jpeg[i + 6] = 0x28;
            jpeg[i + 7] = 0x23;
            jpeg[i + 8] = 0x28;
            break;
        }
    }
    EXPECT_TRUE(DecodePicture(jpeg).isNull());
}

TEST(ImageSize, OfFilesOnDisk) {
    TempFolder folder;
    writeBytes(folder.file("photo.jpg"), encoded(twoColourImage(), "JPEG"));
    writeBytes(folder.file("small.gif"), kGif);
    writeBytes(folder.file("note.txt"), Bytes{'h', 'e', 'l', 'l', 'o'});
    writeBytes(folder.file("照片.bmp"), encoded(twoColourImage(), "BMP"));

    EXPECT_EQ(ImageWidth(folder.fileText("photo.jpg")), 17);
    EXPECT_EQ(ImageHeight(folder.fileText("photo.jpg")), 9);
    EXPECT_EQ(ImageWidth(folder.fileText("small.gif")), 3);
    EXPECT_EQ(ImageHeight(folder.fileText("small.gif")), 2);
    EXPECT_EQ(ImageWidth(folder.fileText("照片.bmp")), 17);
    EXPECT_EQ(ImageWidth(folder.fileText("note.txt")), 0);
    EXPECT_EQ(ImageHeight(folder.fileText("note.txt")), 0);
    EXPECT_EQ(ImageWidth(folder.fileText("missing.jpg")), 0);
    EXPECT_EQ(ImageHeight(Text()), 0);
}
