#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The main window's own pictures: the progress track and marker, and the
// look of the bitmap buttons until their skin bitmaps are loaded.
namespace artwork {

QPixmap progressTrack(QSize size);
QPixmap progressMarker(QSize size);
QPixmap defaultButton(QSize size, const QString &label);

} // namespace artwork
