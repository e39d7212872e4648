#pragma once

#include <QSet>

class QEvent;

namespace toolkit {

// Both Enter keys (the main one and the keypad's).
bool isEnterKey(int key);

// An Enter press that a field may act on: not a repeat of a held key. A
// held Enter would otherwise act over and over, and the repeats of an Enter
// that closed a box reach whatever field the focus went back to.
bool isFreshEnterPress(const QEvent *event);

// Tells the release of a key whose press came to the same widget. A key
// pressed elsewhere (the Enter that closed a message box, chose a menu item
// or started something that moved the focus) is released wherever the focus
// went, and must not act there. Fed every event of the one widget watched.
class KeyStrokes {
public:
    // The key whose keystroke `event` completes, or 0.
    int completedBy(const QEvent *event);

private:
    QSet<int> m_pressed;
};

} // namespace toolkit
