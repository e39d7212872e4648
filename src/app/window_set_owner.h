#pragma once

#include "windowset/window_set.h"

#include <QList>

#include <memory>

class QWidget;
class TForm2;

// Creates the thirteen windows once, in their fixed order with the main
// window first, and destroys them at exit.
class WindowSetOwner {
public:
    WindowSetOwner();
    ~WindowSetOwner();

    WindowSet &forms() { return m_forms; }
    TForm2 &mainWindow() { return *m_main; }

private:
    WindowSet m_forms;
    TForm2 *m_main = nullptr;
    QList<QWidget *> m_created;
};

// The eight windows the close step hides, in the order it hides them.
QList<QWidget *> windowsHiddenAtClose(const WindowSet &forms);

// The windows other than the main and the browser window, in creation order.
QList<QWidget *> otherWindows(const WindowSet &forms);
