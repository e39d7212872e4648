#pragma once

#include <QPixmap>
#include <QString>

// The pictures stored with the about and picture windows. They are built
// into the program; the JPEG pictures are decoded with libjpeg.
namespace infowindows {

// The stored names.
inline constexpr const char *AboutPicture = ":/pictures/about.jpg";
inline constexpr const char *MePicture = ":/pictures/me.jpg";
inline constexpr const char *StudioPicture = ":/pictures/studio.bmp";

// Loads a stored JPEG picture. Throws EInvalidGraphic when it is missing or
// does not decode.
QPixmap storedJpeg(const QString &name);

// Loads a stored Windows bitmap. Throws EInvalidGraphic "Bitmap image is not
// valid" when it is missing or no bitmap.
QPixmap storedBitmap(const QString &name);

} // namespace infowindows
