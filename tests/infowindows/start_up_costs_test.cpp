// Windows made at start-up but seldom shown keep their costly looks for later.
#include "infowindows/fit_text.h"
#include "toolkit/widgets/icon_when_drawn.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

int widthAt(const QLabel &label, qreal points, const QString &text)
{
    QFont font = label.font();
    font.setPointSizeF(points);
    return QFontMetrics(font).horizontalAdvance(text);
}

} // namespace

TEST(FitToWidth, TakesTheLargestHalfPointStepThatFitsAndStopsAtSixPoints)
{
    const QString text = QStringLiteral("Kestrelon Beta 1.6 for the developers");
    for (const qreal own : {8.0, 15.0, 24.0}) {
        for (const int room : {40, 90, 150, 260, 600}) {
            QLabel label(text);
            QFont font = label.font();
            font.setPointSizeF(own);
            label.setFont(font);
            label.resize(room, 20);
            infowindows::fitToWidth(&label);
            const qreal got = label.font().pointSizeF();
            SCOPED_TRACE(QStringLiteral("%1 pt in %2 px gave %3 pt").arg(own).arg(room).arg(got).toStdString());
            if (got > 6.0) {
                EXPECT_LE(widthAt(label, got, text), room);
            } else {
                EXPECT_EQ(got, 6.0);
            }
            if (got < own) {
                EXPECT_GT(widthAt(label, got + 0.5, text), room);
            }
        }
    }
}

TEST(IconWhenDrawn, LooksUpOnceAtTheFirstDrawingSharedByItsCopies)
{
    int lookUps = 0;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QIcon icon = toolkit::iconWhenDrawn([&] {
        ++lookUps;
        return QIcon(red);
    });
    const QIcon copy = icon;
    // What laying out a list asks.
    EXPECT_FALSE(copy.isNull());
    EXPECT_EQ(copy.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(lookUps, 0);

    const QImage drawn = copy.pixmap(16, 16).toImage();
    EXPECT_EQ(drawn.pixelColor(8, 8), QColor(Qt::red));
    icon.pixmap(16, 16);
    EXPECT_EQ(lookUps, 1);
}
