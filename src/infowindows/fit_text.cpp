#include "infowindows/fit_text.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace infowindows {

void fitToWidth(QLabel *label, const QString &widest)
{
    constexpr qreal SmallestPoints = 6;
    constexpr qreal Step = 0.5;
    const QString text = widest.isEmpty() ? label->text() : widest;
    QFont font = label->font();
    const qreal largest = font.pointSizeF();
    const auto fits = [&](qreal points) {
        font.setPointSizeF(points);
        return QFontMetrics(font).horizontalAdvance(text) <= label->width();
    };
    // The largest size in steps down from the label's own that fits, or the
    // smallest. Text grows about in proportion to its size, so the search
    // starts from that guess and walks from there: every size tried makes
    // a font of its own, which costs the start-up a millisecond each.
    const int steps = int((largest - SmallestPoints) / Step);
    const int width = QFontMetrics(font).horizontalAdvance(text);
    if (steps <= 0 || width <= label->width())
        return;
    const qreal guess = largest * label->width() / width;
    int step = std::clamp(int(std::ceil((largest - guess) / Step)), 1, steps);
    while (step < steps && !fits(largest - step * Step))
        ++step;
    while (step > 0 && fits(largest - (step - 1) * Step))
        --step;
    font.setPointSizeF(largest - step * Step);
    label->setFont(font);
}

} // namespace infowindows
