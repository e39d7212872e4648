#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

#include "toolkit/core/exceptions.h"

namespace toolkit {

// Loads a Windows bitmap file by program file name (resolved like every
// other name). Throws EFOpenError "Cannot open file %s" when it cannot be
// read and EInvalidGraphic "Bitmap image is not valid" when it is no bitmap.
QPixmap loadBitmapFile(const QString &name);

// Decodes JPEG bytes with libjpeg. Throws EInvalidGraphic with the decoder's
// complaint for corrupt or truncated data; never crashes.
QImage decodeJpeg(const QByteArray &bytes);

} // namespace toolkit

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
