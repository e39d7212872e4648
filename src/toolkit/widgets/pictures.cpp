#include "toolkit/widgets/pictures.h"

#include "toolkit/core/paths.h"

#include <QFile>
#include <QFileInfo>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace toolkit {

QPixmap loadBitmapFile(const QString &name)
{
    const QString path = resolvePath(name);
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(name));
    const QByteArray bytes = file.readAll();
    // Only real bitmaps: the format is checked by its signature, not guessed.
    QImage image;
    if (!bytes.startsWith("BM") || !image.loadFromData(bytes, "BMP") || image.isNull())
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    return QPixmap::fromImage(image);
}

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info)
{
    auto *manager = reinterpret_cast<JpegErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->escape, 1);
}

// Trace messages are dropped; warnings (level -1: premature end of data,
// corrupt data) are counted, as the library's own handler would, so the
// decoder can tell a damaged picture from a whole one.
void onJpegMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings;
}

// The largest frame decoded, in pixels (192 MB as RGB). No picture of the
// program comes near it; a larger declared frame is a damaged or hostile
// file, and decoding it would cost gigabytes before its data ran out.
constexpr unsigned long long MaxJpegPixels = 1ull << 26;

} // namespace

QImage decodeJpeg(const QByteArray &bytes)
{
    jpeg_decompress_struct info {};
    JpegErrorManager errors {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.base.emit_message = onJpegMessage;

    // Everything that must survive a longjmp lives outside this frame's
    // registers: the image is built only after the header was read.
    QImage *volatile result = nullptr;
    if (setjmp(errors.escape)) {
        delete result;
        jpeg_destroy_decompress(&info);
        throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(errors.message)));
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (static_cast<unsigned long long>(info.image_width) * info.image_height > MaxJpegPixels) {
        jpeg_destroy_decompress(&info);
        throw EInvalidGraphic(QStringLiteral("JPEG error: the image is too large (%1 x %2 pixels)")
                                  .arg(info.image_width)
                                  .arg(info.image_height));
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    result = new QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (result->isNull())
        errors.base.error_exit(reinterpret_cast<j_common_ptr>(&info));
    // A truncated file is padded by libjpeg with a warning; treat it as
    // corrupt, and stop at once rather than decode the padding.
    bool damaged = false;
    while (info.output_scanline < info.output_height && !damaged) {
        JSAMPROW row = result->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
        damaged = info.err->num_warnings > 0;
    }
    if (!damaged) {
        jpeg_finish_decompress(&info);
        damaged = info.err->num_warnings > 0;
    }
    jpeg_destroy_decompress(&info);
    QImage image = std::move(*result);
    delete result;
    if (damaged)
        throw EInvalidGraphic(QStringLiteral("JPEG error: the image data is truncated or corrupt"));
    return image;
}

} // namespace toolkit
