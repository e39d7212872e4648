#include "toolkit/widgets/gauge.h"

#include "toolkit/core/exceptions.h"

#include <QPainter>

#include <limits>

TGauge::TGauge(QWidget *parent) : QWidget(parent) {}

void TGauge::setMaxValue(int value)
{
    if (value < m_min)
        throw ERangeError(QStringLiteral("Value must be between %1 and %2")
                              .arg(qint64(m_min) + 1)
                              .arg(std::numeric_limits<int>::max()));
    m_max = value;
    if (m_progress > m_max)
        m_progress = m_max;
    update();
}

void TGauge::setProgress(int value)
{
    m_progress = qBound(m_min, value, m_max);
    update();
}

int TGauge::PercentDone() const
{
    if (m_max == m_min)
        return 0;
    return int(100 * (qint64(m_progress) - m_min) / (qint64(m_max) - m_min));
}

void TGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    QRect done = rect();
    done.setWidth(width() * PercentDone() / 100);
    painter.fillRect(done, palette().highlight());
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(PercentDone()));
}
