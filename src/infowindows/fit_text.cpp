#include "infowindows/fit_text.h"

#include <QFontMetrics>
#include <QLabel>

namespace infowindows {

void fitToWidth(QLabel *label, const QString &widest)
{
    constexpr qreal SmallestPoints = 6;
    constexpr qreal Step = 0.5;
    const QString text = widest.isEmpty() ? label->text() : widest;
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(text) > label->width() && font.pointSizeF() - Step >= SmallestPoints)
        font.setPointSizeF(font.pointSizeF() - Step);
    label->setFont(font);
}

} // namespace infowindows
