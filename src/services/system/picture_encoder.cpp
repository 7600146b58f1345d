// JPEG files written through libjpeg, the library that reads them too.

#include "services/system/system.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

// Kept out of JpegFileBytes so that no object with a destructor lives across setjmp.
struct JpegWrite {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool runJpegWrite(JpegWrite& run, const QImage& rgb, int quality) {
    run.info.err = jpeg_std_error(&run.errors.base);
    run.errors.base.error_exit = jpegErrorExit;
    if (setjmp(run.errors.jump)) {
        jpeg_destroy_compress(&run.info);
        return false;
    }
    jpeg_create_compress(&run.info);
    jpeg_mem_dest(&run.info, &run.buffer, &run.size);
    run.info.image_width = static_cast<JDIMENSION>(rgb.width());
    run.info.image_height = static_cast<JDIMENSION>(rgb.height());
    run.info.input_components = 3;
    run.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&run.info);
    jpeg_set_quality(&run.info, quality, TRUE);
    jpeg_start_compress(&run.info, TRUE);
    while (run.info.next_scanline < run.info.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(static_cast<int>(run.info.next_scanline)));
        jpeg_write_scanlines(&run.info, &row, 1);
    }
    jpeg_finish_compress(&run.info);
    jpeg_destroy_compress(&run.info);
    return true;
}

}  // namespace

Bytes JpegFileBytes(const QImage& image, int quality) {
    if (image.isNull()) return Bytes();
    // Transparent parts of a picture become white, as on a white page.
    QImage flat(image.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    if (image.hasAlphaChannel()) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            uchar* out = flat.scanLine(y);
            for (int x = 0; x < argb.width(); ++x) {
                const int a = qAlpha(in[x]);
                out[3 * x] = static_cast<uchar>((qRed(in[x]) * a + 255 * (255 - a)) / 255);
                out[3 * x + 1] = static_cast<uchar>((qGreen(in[x]) * a + 255 * (255 - a)) / 255);
                out[3 * x + 2] = static_cast<uchar>((qBlue(in[x]) * a + 255 * (255 - a)) / 255);
            }
        }
    } else {
        flat = image.convertToFormat(QImage::Format_RGB888);
    }
    JpegWrite run;
    const bool written = runJpegWrite(run, flat, quality);
    Bytes out;
    if (written && run.buffer) out.assign(run.buffer, run.buffer + run.size);
    std::free(run.buffer);
    return out;
}
