#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace platform {

// Keeps a small tool window above a document window whenever the document
// is on screen, as a palette floats over what it works on: the window
// manager is told that the tool belongs to the document (a transient
// relation), so raising or clicking into the document, maximised or not,
// never buries the tool, while the document keeps the keyboard focus it
// was given.
//
// The relation can only name a document the window manager already manages,
// so it is made when the document is first exposed after each show (the
// manager maps a window only once it manages it) and withdrawn when the
// document is hidden; while the document is away the tool is a window like
// any other. Window systems without such a relation (offscreen) get nothing.
class PaletteStacking : public QObject {
public:
    PaletteStacking(QWidget &tool, QWidget &document, QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void relate(bool on);

    QPointer<QWidget> m_tool;
    QPointer<QWidget> m_document;
    QPointer<QWindow> m_watchedHandle;
    bool m_related = false;
};

} // namespace platform
