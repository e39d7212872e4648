#include "toolkit/widgets/key_strokes.h"

#include <QKeyEvent>

namespace toolkit {

bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool isFreshEnterPress(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return isEnterKey(key->key()) && !key->isAutoRepeat();
}

int KeyStrokes::completedBy(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            m_pressed.insert(key->key());
        return 0;
    }
    case QEvent::KeyRelease: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->isAutoRepeat() || !m_pressed.remove(key->key()))
            return 0;
        return key->key();
    }
    case QEvent::FocusOut:
        // A key held while the focus leaves is released elsewhere; a later
        // release here belongs to a press made somewhere else. A popup list
        // of the field's own hands its keys on to the field.
        if (static_cast<const QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            m_pressed.clear();
        return 0;
    default:
        return 0;
    }
}

} // namespace toolkit
