// Screen capture and the BMP file layout it writes.

#include "services/system/system.h"

#include "services/core/core.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>

namespace {

void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Bits per pixel of the file for a display depth: 1, 4, 8 or 24.
int bmpBitsForDepth(int depth) {
    if (depth <= 1) return 1;
    if (depth <= 4) return 4;
    if (depth <= 8) return 8;
    return 24;
}

// The sixteen colours of a 4-bit display.
QList<QRgb> standardSixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

Bytes bmpBytes(const QImage& source, int bits) {
    const int width = source.width();
    const int height = source.height();
    if (width <= 0 || height <= 0) return {};
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::uint32_t rowBytes = ((static_cast<std::uint32_t>(width) * bits + 31) / 32) * 4;
    const std::uint32_t tableBytes = static_cast<std::uint32_t>(colours) * 4;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);

    QImage image;
    QList<QRgb> table;
    if (bits == 24) {
        image = source.convertToFormat(QImage::Format_RGB32);
    } else {
        if (bits == 1)
            image = source.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
                        .convertToFormat(QImage::Format_Indexed8);
        else if (bits == 4)
            image = source.convertToFormat(QImage::Format_Indexed8, standardSixteenColours(), Qt::ThresholdDither);
        else image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        table = image.colorTable();
        table.resize(colours, qRgb(0, 0, 0));
    }
    if (image.isNull()) return {};

    Bytes out;
    out.reserve(54 + tableBytes + pixelBytes);
    // File header.
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + tableBytes + pixelBytes);
    put16(out, 0);
    put16(out, 0);
    put32(out, 54 + tableBytes);
    // Information header.
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    for (int i = 0; i < 6; ++i)  // compression, image size, resolutions, colour counts
        put32(out, 0);
    for (QRgb c : table) {
        out.push_back(static_cast<unsigned char>(qBlue(c)));
        out.push_back(static_cast<unsigned char>(qGreen(c)));
        out.push_back(static_cast<unsigned char>(qRed(c)));
        out.push_back(0);
    }
    // Pixel rows, bottom row first, each padded to 4 bytes.
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        if (bits == 24) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                out.push_back(static_cast<unsigned char>(qBlue(line[x])));
                out.push_back(static_cast<unsigned char>(qGreen(line[x])));
                out.push_back(static_cast<unsigned char>(qRed(line[x])));
            }
        } else {
            const uchar* line = image.constScanLine(y);
            const int perByte = 8 / bits;
            for (int x = 0; x < width; x += perByte) {
                unsigned char packed = 0;
                for (int k = 0; k < perByte; ++k) {
                    const unsigned index = x + k < width ? (line[x + k] & ((1u << bits) - 1)) : 0;
                    packed = static_cast<unsigned char>(packed | (index << (8 - bits * (k + 1))));
                }
                out.push_back(packed);
            }
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}

// The clipped copy of the screen; null when nothing of the area is on screen.
QImage grabArea(std::optional<Rect> area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return QImage();
    const QSize screenSize = screen->size() * screen->devicePixelRatio();
    Rect r = area.value_or(Rect{0, 0, screenSize.width(), screenSize.height()});
    if (r.right <= r.left || r.bottom <= r.top) return QImage();
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, static_cast<std::int32_t>(screenSize.width()));
    r.bottom = std::min(r.bottom, static_cast<std::int32_t>(screenSize.height()));
    if (r.right <= r.left || r.bottom <= r.top) return QImage();
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QPixmap grabbed = screen->grabWindow(0, r.left, r.top, width, height);
    if (!grabbed.isNull()) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawPixmap(QRect(0, 0, width, height), grabbed);
    }
    return image;
}

int displayBits() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return bmpBitsForDepth(screen ? screen->depth() : 32);
}

}  // namespace

Bytes BmpFileBytes(const QImage& image, int bitsPerPixel) {
    if (bitsPerPixel == 0) bitsPerPixel = image.format() == QImage::Format_Indexed8 ? 8 : 24;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24) return {};
    return bmpBytes(image, bitsPerPixel);
}

Bytes ScreenCaptureBytes(std::optional<Rect> area) {
    const QImage image = grabArea(area);
    if (image.isNull()) return {};
    return bmpBytes(image, displayBits());
}

bool ScreenCapture(std::optional<Rect> area, int mode, const Text& file) {
    if (mode < 0 || mode > 2) mode = 0;
    const QImage image = grabArea(area);
    if (image.isNull()) return false;
    // Mode 2's bytes come from ScreenCaptureBytes; here only whether there are any.
    if (mode == 2) return true;
    if (mode == 1) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        clipboard->setImage(image);
        return true;
    }
    const Bytes bmp = bmpBytes(image, displayBits());
    return !bmp.empty() && !file.empty() && WriteFile(file, bmp);
}
