#include "app/main_window_artwork.h"

#include <QLinearGradient>
#include <QPainter>

namespace artwork {

QPixmap progressTrack(QSize size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    const QRect r(QPoint(0, 0), size);
    QLinearGradient groove(r.topLeft(), r.bottomLeft());
    groove.setColorAt(0, QColor(40, 46, 58));
    groove.setColorAt(1, QColor(86, 96, 116));
    p.fillRect(r, groove);
    // A sunken edge: dark above and left, light below and right.
    p.setPen(QColor(20, 22, 28));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(170, 180, 196));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    // Tick marks every tenth of the way.
    p.setPen(QColor(120, 132, 150));
    for (int i = 1; i < 10; ++i) {
        const int x = r.width() * i / 10;
        p.drawLine(x, r.height() - 5, x, r.height() - 2);
    }
    return pixmap;
}

QPixmap progressMarker(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(QPointF(0, 0), size).adjusted(1, 1, -1, -1);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, QColor(255, 214, 120));
    body.setColorAt(1, QColor(214, 128, 24));
    p.setBrush(body);
    p.setPen(QPen(QColor(110, 60, 8), 1));
    p.drawRoundedRect(r, 4, 4);
    p.setPen(QColor(255, 240, 200));
    p.drawLine(QPointF(r.center().x(), r.top() + 4), QPointF(r.center().x(), r.bottom() - 4));
    return pixmap;
}

QPixmap defaultButton(QSize size, const QString &label)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    const QRect r(QPoint(0, 0), size);
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, QColor(214, 220, 230));
    face.setColorAt(1, QColor(150, 160, 178));
    p.fillRect(r, face);
    p.setPen(QColor(250, 250, 252));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(70, 76, 90));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(QColor(30, 34, 44));
    p.drawText(r, Qt::AlignCenter, label);
    return pixmap;
}

} // namespace artwork
