#include "infowindows/event_label.h"

#include <QMouseEvent>

TEventLabel::TEventLabel(QWidget *parent) : QLabel(parent) {}

void TEventLabel::mousePressEvent(QMouseEvent *event)
{
    m_clickPending = event->button() == Qt::LeftButton;
    emit mouseDown(event->button(), event->position().toPoint());
}

void TEventLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    // The click is decided before the release is told, so a handler of the
    // release that moves the label cannot turn a click into none.
    const bool click = event->button() == Qt::LeftButton && m_clickPending && rect().contains(pos);
    if (event->button() == Qt::LeftButton)
        m_clickPending = false;
    if (click)
        emit clicked();
    emit mouseUp(event->button(), pos);
}

void TEventLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_clickPending = false;
    emit mouseDown(event->button(), event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
