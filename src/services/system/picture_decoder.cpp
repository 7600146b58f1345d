// The one picture decoder: JPEG through libjpeg (so that every JPEG the
// program shows decodes the same way), the other formats through Qt's readers.

#include "services/system/system.h"

#include <QBuffer>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg's default error handler ends the process; this one jumps back to
// the decoder, which then gives a null image.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, say) are not printed: the partial picture is kept.
void jpegSilentMessage(j_common_ptr) {}

constexpr unsigned long long kMaxPictureBytes = 256ull * 1024 * 1024;

bool looksLikeJpeg(const Bytes& b) { return b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF; }

// Adobe CMYK JPEGs store inverted values; either way the channels multiply by K.
QImage cmykToRgb(const QImage& cmyk, bool inverted) {
    QImage rgb(cmyk.size(), QImage::Format_RGB32);
    for (int y = 0; y < cmyk.height(); ++y) {
        const uchar* in = cmyk.constScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(rgb.scanLine(y));
        for (int x = 0; x < cmyk.width(); ++x, in += 4) {
            int c = in[0], m = in[1], ye = in[2], k = in[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
    return rgb;
}

// Kept out of DecodeJpeg so that no object with a destructor lives across setjmp.
struct JpegRun {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    QImage image;
    bool cmyk = false;
};

bool runJpeg(JpegRun& run, const Bytes& data) {
    run.info.err = jpeg_std_error(&run.errors.base);
    run.errors.base.error_exit = jpegErrorExit;
    run.errors.base.output_message = jpegSilentMessage;
    if (setjmp(run.errors.jump)) {
        jpeg_destroy_decompress(&run.info);
        return false;
    }
    jpeg_create_decompress(&run.info);
    jpeg_mem_src(&run.info, data.data(), static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&run.info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&run.info);
        return false;
    }
    // Same ceiling as Qt's own readers: a forged header must not make the
    // decoder ask for gigabytes.
    if (static_cast<unsigned long long>(run.info.image_width) * run.info.image_height * 4 > kMaxPictureBytes) {
        jpeg_destroy_decompress(&run.info);
        return false;
    }
    run.cmyk = run.info.jpeg_color_space == JCS_CMYK || run.info.jpeg_color_space == JCS_YCCK;
    run.info.out_color_space = run.cmyk ? JCS_CMYK : JCS_EXT_RGBX;
    jpeg_start_decompress(&run.info);
    // Both output spaces give four bytes per pixel.
    run.image = QImage(static_cast<int>(run.info.output_width), static_cast<int>(run.info.output_height),
                       QImage::Format_RGBX8888);
    if (run.image.isNull()) {
        jpeg_destroy_decompress(&run.info);
        return false;
    }
    while (run.info.output_scanline < run.info.output_height) {
        JSAMPROW row = run.image.scanLine(static_cast<int>(run.info.output_scanline));
        jpeg_read_scanlines(&run.info, &row, 1);
    }
    jpeg_finish_decompress(&run.info);
    jpeg_destroy_decompress(&run.info);
    return true;
}

QImage DecodeJpeg(const Bytes& data) {
    JpegRun run;
    if (!runJpeg(run, data)) return QImage();
    if (run.cmyk) return cmykToRgb(run.image, run.info.saw_Adobe_marker);
    return run.image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage DecodePicture(const Bytes& picture) {
    if (picture.empty()) return QImage();
    if (looksLikeJpeg(picture)) return DecodeJpeg(picture);
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(picture.data()), static_cast<qsizetype>(picture.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // JPEG is libjpeg's alone; a file Qt would read as JPEG without the
    // signature is not one we accept.
    if (reader.format() == "jpeg" || reader.format() == "jpg") return QImage();
    return reader.read();
}
