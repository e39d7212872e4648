#include "platform/empty_caption.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstring>

namespace platform {
namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

// Writes an empty title over the one Qt gave the window.
void clearTitle(QWidget &window)
{
    if (!window.windowTitle().isEmpty() || !window.testAttribute(Qt::WA_WState_Created)
        || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // Other platforms answer the interface too, without a connection.
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    for (const xcb_atom_t name : {atom(connection, "_NET_WM_NAME"), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        if (name != XCB_ATOM_NONE)
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, name, utf8, 8, 0, nullptr);
    }
    xcb_flush(connection);
}

class EmptyCaption : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        switch (event->type()) {
        case QEvent::WindowTitleChange:
        case QEvent::Show:
            clearTitle(*window);
            break;
        case QEvent::WinIdChange: {
            // A window made anew gets its title once it is complete.
            QPointer<QWidget> guard = window;
            QTimer::singleShot(0, this, [guard] {
                if (guard)
                    clearTitle(*guard);
            });
            break;
        }
        default:
            break;
        }
        return false;
    }
};

} // namespace

void keepEmptyCaptionEmpty(QWidget &window)
{
    window.installEventFilter(new EmptyCaption(&window));
}

} // namespace platform
