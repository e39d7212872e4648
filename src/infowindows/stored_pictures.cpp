#include "infowindows/stored_pictures.h"

#include "toolkit/widgets/pictures.h"

#include <QFile>
#include <QImage>

// The resources live in a static library: nothing would pull them into the
// program unless they are registered by hand.
static void registerStoredPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    (void)registered;
}

namespace infowindows {
namespace {

QByteArray storedBytes(const QString &name)
{
    registerStoredPictures();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QPixmap storedJpeg(const QString &name)
{
    const QByteArray bytes = storedBytes(name);
    if (bytes.isEmpty())
        throw EInvalidGraphic(QStringLiteral("JPEG error: no picture %1").arg(name));
    return QPixmap::fromImage(toolkit::decodeJpeg(bytes));
}

QPixmap storedBitmap(const QString &name)
{
    const QByteArray bytes = storedBytes(name);
    QImage image;
    if (!bytes.startsWith("BM") || !image.loadFromData(bytes, "BMP") || image.isNull())
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    return QPixmap::fromImage(image);
}

} // namespace infowindows
