#include "toolkit/widgets/picture_button.h"

#include "toolkit/widgets/pictures.h"

#include <QMouseEvent>

#include <utility>

TPictureButton::TPictureButton(QWidget *parent) : QLabel(parent)
{
    setScaledContents(true);
}

void TPictureButton::loadPicture(const QString &fileName, bool pressedLook)
{
    const QPixmap picture = toolkit::loadBitmapFile(fileName);
    setPixmap(picture);
    m_pressedLook = pressedLook;
}

void TPictureButton::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), event->position().toPoint());
}

void TPictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit mouseUp(event->button(), pos);
    // The release that ends a double-click closes the one click the first
    // release already made.
    const bool endsDoubleClick = std::exchange(m_doubleClickHeld, false);
    if (event->button() == Qt::LeftButton && rect().contains(pos) && !endsDoubleClick)
        emit clicked();
}

void TPictureButton::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event->position().toPoint());
}

void TPictureButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_doubleClickHeld = event->button() == Qt::LeftButton;
    emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
