#include "toolkit/widgets/picture_button.h"

#include "toolkit/widgets/pictures.h"

#include <QMouseEvent>

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
    if (event->button() == Qt::LeftButton && rect().contains(pos))
        emit clicked();
}

void TPictureButton::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event->position().toPoint());
}

void TPictureButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
