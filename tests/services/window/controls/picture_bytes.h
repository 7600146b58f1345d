#pragma once
// Pictures for the control tests, as the bytes of real picture files.

#include "services/core/value.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

inline Bytes PictureBytes(const QImage& image, const char* format = "BMP") {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(data.begin(), data.end());
}

inline Bytes SolidPicture(const QColor& colour, int width = 20, int height = 20, const char* format = "BMP") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return PictureBytes(image, format);
}
