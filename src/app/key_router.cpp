#include "app/key_router.h"

#include "app/main_window.h"
#include "browser/browser_window.h"
#include "toolkit/widgets/guard.h"

#include <QKeyEvent>

namespace {

using Command = void (TForm2::*)();

struct KeyRoute {
    int key;
    Command popupVariant;
    Command mainMenuVariant;
};

constexpr KeyRoute kRoutes[] = {
    {Qt::Key_F1, &TForm2::Minskainterface1Click, &TForm2::SnabbInterface2Click},
    {Qt::Key_F2, &TForm2::kainterface2Click, &TForm2::kainterface1Click},
};

} // namespace

KeyRouter::KeyRouter(TForm2 &main) : QObject(&main), m_main(main)
{
    main.installEventFilter(this);
}

void KeyRouter::watchBrowserWindow(TForm1 &browser)
{
    m_browser = &browser;
    // The engine hands keys its page did not take to the widget that hosts it.
    m_pageArea = browser.ui.WebBrowser1;
    browser.installEventFilter(this);
    browser.ui.WebBrowser1->installEventFilter(this);
}

void KeyRouter::watchWindow(QWidget &window)
{
    window.installEventFilter(this);
}

bool KeyRouter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // A shortcut is the key alone.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    for (const KeyRoute &route : kRoutes) {
        if (route.key != key->key())
            continue;
        Command command = nullptr;
        if (watched == &m_main || watched == m_pageArea)
            command = route.popupVariant;
        else if (m_main.mainMenuAttached())
            command = route.mainMenuVariant;
        if (!command)
            return false;
        toolkit::guarded([&] { (m_main.*command)(); });
        return true;
    }
    return false;
}
