// The embedded pictures decode with Qt's image readers at the format and
// size the windows expect.

#include "ui/pictures/pictures.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include "build_paths.h"

namespace {

QByteArray AsQByteArray(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QByteArray FormatOf(const Bytes& b) {
    QByteArray data = AsQByteArray(b);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).format();
}

// Mean lightness of an image, 0-255.
double Lightness(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

// Mean saturation: grey pictures are near 0.
double Saturation(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += QColor(image.pixel(x, y)).hsvSaturation();
    return sum / (image.width() * image.height());
}

QImage Decoded(std::string_view name) {
    const Bytes bytes = PictureResource(name);
    QImage image;
    image.loadFromData(AsQByteArray(bytes));
    return image.convertToFormat(QImage::Format_RGB32);
}

// Mean absolute per-channel difference of two images of one size.
double Difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

}  // namespace

TEST(PictureResources, EveryPictureDecodesAtItsFormatAndSize) {
    for (const auto& picture : Pictures::AllPictures) {
        SCOPED_TRACE(std::string(picture.name));
        const Bytes bytes = PictureResource(picture.name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(FormatOf(bytes), QByteArray(picture.format.data(), qsizetype(picture.format.size())));
        QImage image;
        ASSERT_TRUE(image.loadFromData(AsQByteArray(bytes)));
        EXPECT_EQ(image.width(), picture.width);
        EXPECT_EQ(image.height(), picture.height);
    }
}

TEST(PictureResources, NamesAreUniqueAndEveryCommittedFileIsEmbedded) {
    QSet<QString> names;
    for (const auto& picture : Pictures::AllPictures)
        names.insert(QString::fromUtf8(picture.name.data(), qsizetype(picture.name.size())));
    EXPECT_EQ(names.size(), qsizetype(Pictures::AllPictures.size()));
    // A file drawn by the generator but missing from the table would never reach the program.
    for (const QString& file : QDir(VARELO_PICTURE_FILES).entryList(QDir::Files)) {
        EXPECT_TRUE(names.contains(file)) << file.toStdString();
        QFile committed(QDir(VARELO_PICTURE_FILES).filePath(file));
        ASSERT_TRUE(committed.open(QIODevice::ReadOnly));
        EXPECT_EQ(AsQByteArray(PictureResource(file.toStdString())), committed.readAll()) << file.toStdString();
    }
}

TEST(PictureResources, CarrierLogosAreDistinct20By20Jpegs) {
    const std::string_view logos[] = {Pictures::CarrierLogoLianTong, Pictures::CarrierLogoYiDong,
                                      Pictures::CarrierLogoDianXin};
    for (auto logo : logos) {
        SCOPED_TRACE(std::string(logo));
        const Bytes bytes = PictureResource(logo);
        ASSERT_GE(bytes.size(), 3u);
        EXPECT_EQ(bytes[0], 0xFF);  // JPEG start-of-image marker
        EXPECT_EQ(bytes[1], 0xD8);
        EXPECT_EQ(FormatOf(bytes), "jpeg");
        const QImage image = Decoded(logo);
        EXPECT_EQ(image.size(), QSize(20, 20));
    }
    EXPECT_GT(Difference(Decoded(logos[0]), Decoded(logos[1])), 10);
    EXPECT_GT(Difference(Decoded(logos[1]), Decoded(logos[2])), 10);
    EXPECT_GT(Difference(Decoded(logos[0]), Decoded(logos[2])), 10);
}

TEST(PictureResources, FooterIsTheHeaderPicture) {
    EXPECT_EQ(PictureResource(Pictures::MainFooter), PictureResource(Pictures::MainHeader));
}

TEST(PictureResources, UnknownNamesGiveNothing) {
    EXPECT_TRUE(PictureResource("").empty());
    EXPECT_TRUE(PictureResource("no_such_picture.jpg").empty());
    EXPECT_TRUE(PictureResource("LOGIN_BANNER.JPG").empty());
    // Only our own names: no path reaches other embedded resources.
    EXPECT_TRUE(PictureResource("../pictures/login_banner.jpg").empty());
    EXPECT_TRUE(PictureResource("files/login_banner.jpg").empty());
}

// The states of an image button must look different: hot lighter, pressed
// darker, disabled grey.
TEST(PictureResources, ImageButtonStatesDifferVisibly) {
    using namespace Pictures;
    const QImage menuNormal = Decoded(MenuButtonNormal), menuHot = Decoded(MenuButtonHot),
                 menuPressed = Decoded(MenuButtonPressed);
    EXPECT_GT(Lightness(menuHot), Lightness(menuNormal));
    EXPECT_LT(Lightness(menuPressed), Lightness(menuNormal) - 5);

    const std::string_view small[][3] = {{NewButtonNormal, NewButtonHot, NewButtonDisabled},
                                         {DeleteButtonNormal, DeleteButtonHot, DeleteButtonDisabled},
                                         {SaveButtonNormal, SaveButtonHot, SaveButtonDisabled}};
    for (const auto& states : small) {
        SCOPED_TRACE(std::string(states[0]));
        const QImage normal = Decoded(states[0]), hot = Decoded(states[1]), disabled = Decoded(states[2]);
        EXPECT_GT(Difference(normal, hot), 3);
        EXPECT_GT(Difference(normal, disabled), 3);
        // The disabled tile is grey: its centre (away from the blended edge) has little colour.
        const QImage normalCentre = normal.copy(4, 4, 16, 16), disabledCentre = disabled.copy(4, 4, 16, 16);
        EXPECT_LT(Saturation(disabledCentre), 25);
        EXPECT_GT(Saturation(normalCentre), Saturation(disabledCentre) + 10);
    }
}
