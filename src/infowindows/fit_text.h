#pragma once

#include <QString>

class QLabel;

namespace infowindows {

// The windows' labels keep the places and sizes of their layouts. Where the
// system's fonts run wider than the ones the layouts were drawn with, a
// label's font is made smaller until `widest` (by default its own text)
// fits its width; it never goes below a readable size.
void fitToWidth(QLabel *label, const QString &widest = QString());

} // namespace infowindows
