#include "platform/palette_stacking.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

namespace platform {

PaletteStacking::PaletteStacking(QWidget &tool, QWidget &document, QObject *parent)
    : QObject(parent), m_tool(&tool), m_document(&document)
{
    // Both windows and the document's native window are watched where the
    // application hands out their events: neither window carries a filter
    // of ours, and a native window the document gets later is seen too.
    qApp->installEventFilter(this);
}

bool PaletteStacking::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WinIdChange:
    case QEvent::Expose:
        break;
    default:
        return false;
    }
    if (watched == m_document) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::WinIdChange:
            // The handle exists from the first show on; a web view makes the
            // widget replace its native window, and its handle with it.
            if (QWindow *handle = m_document->windowHandle())
                m_watchedHandle = handle;
            m_related = false;
            break;
        case QEvent::Hide: relate(false); break;
        default: break;
        }
    } else if (watched == m_tool && event->type() == QEvent::WinIdChange) {
        m_related = false;
    } else if (watched == m_watchedHandle && event->type() == QEvent::Expose && !m_related
               && m_watchedHandle->isExposed() && m_document && m_document->isVisible()) {
        relate(true);
        // The manager applies a new relation at the document's next restack:
        // ask for it now, so the tool is in front from this show on.
        m_document->raise();
    }
    return false;
}

void PaletteStacking::relate(bool on)
{
    m_related = on;
    // The offscreen platform answers for X11 too, without a connection.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || !m_tool || !m_document || !m_tool->testAttribute(Qt::WA_WState_Created))
        return;
    const xcb_window_t tool = xcb_window_t(m_tool->winId());
    if (on) {
        const xcb_window_t document = xcb_window_t(m_document->winId());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, tool, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                            &document);
    } else {
        // A relation left pointing at a withdrawn window would keep task
        // bars from listing the tool.
        xcb_delete_property(connection, tool, XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(connection);
}

} // namespace platform
