#include "app/program_keys.h"

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "addressbox/address_completer.h"
#include "browser/browser_window.h"
#include "pagewindows/find_bar.h"
#include "pagewindows/page_windows.h"
#include "pagewindows/page_zoom.h"
#include "browser/print_page.h"
#include "windowset/window_set.h"
#include "netfeatures/page_source_window.h"
#include "toolkit/widgets/guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace programkeys {
namespace {

constexpr Binding kBindings[] = {
    {Qt::ALT | Qt::Key_Left, Scope::Anywhere, Command::Back},
    {Qt::ALT | Qt::Key_Right, Scope::Anywhere, Command::Forward},
    {QKeyCombination(Qt::Key_Backspace), Scope::PageOnly, Command::Back},
    {QKeyCombination(Qt::Key_F5), Scope::Anywhere, Command::Refresh},
    {Qt::CTRL | Qt::Key_R, Scope::Anywhere, Command::Refresh},
    {QKeyCombination(Qt::Key_Escape), Scope::Anywhere, Command::Escape},
    {Qt::CTRL | Qt::Key_L, Scope::Anywhere, Command::FocusAddress},
    {QKeyCombination(Qt::Key_F6), Scope::Anywhere, Command::FocusAddress},
    {Qt::CTRL | Qt::Key_D, Scope::Anywhere, Command::Bookmark},
    {Qt::CTRL | Qt::Key_F, Scope::Anywhere, Command::Find},
    {QKeyCombination(Qt::Key_F3), Scope::Anywhere, Command::FindNext},
    {Qt::SHIFT | Qt::Key_F3, Scope::Anywhere, Command::FindPrevious},
    // Plus is a shifted key on most layouts; "=" shares its key on many.
    {Qt::CTRL | Qt::Key_Plus, Scope::Anywhere, Command::ZoomIn},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_Plus, Scope::Anywhere, Command::ZoomIn},
    {Qt::CTRL | Qt::Key_Equal, Scope::Anywhere, Command::ZoomIn},
    {Qt::CTRL | Qt::Key_Minus, Scope::Anywhere, Command::ZoomOut},
    {Qt::CTRL | Qt::Key_0, Scope::Anywhere, Command::ZoomReset},
    {Qt::CTRL | Qt::Key_P, Scope::Anywhere, Command::Print},
    {QKeyCombination(Qt::Key_F1), Scope::Interface, Command::SmallerInterface},
    {QKeyCombination(Qt::Key_F2), Scope::Interface, Command::LargerInterface},
    {QKeyCombination(Qt::Key_F11), Scope::FullScreen, Command::LeaveFullScreen},
};

bool isInside(const QWidget *widget, const QWidget *window)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == window)
            return true;
    }
    return false;
}

bool isEscape(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Escape && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

const Binding *find(const QKeyEvent &event, Scope scope)
{
    const QKeyCombination pressed(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key()));
    for (const Binding &binding : kBindings) {
        if (binding.key != pressed)
            continue;
        if (binding.scope == scope || (scope == Scope::PageOnly && binding.scope == Scope::Anywhere))
            return &binding;
    }
    return nullptr;
}

Handler::Handler(TForm2 &main, WindowSet &forms) : QObject(&main), m_main(main), m_forms(forms)
{
    qApp->installEventFilter(this);
}

Handler::~Handler()
{
    qApp->removeEventFilter(this);
}

bool Handler::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    // Behind a modal box the windows take no keys.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && !isInside(widget, modal))
        return false;
    const Place place = placeOf(widget);
    if (place == Place::None)
        return false;
    const auto &key = *static_cast<QKeyEvent *>(event);
    // A command that fails has still had its key: the error is told once.
    bool taken = true;
    toolkit::guarded([&] { taken = take(widget, place, key); });
    return taken;
}

// A key is seen at every widget it reaches: first where the focus is, then
// at each parent the widget before declined it. Only the places below take
// keys; elsewhere the key goes on as if the table were not there.
Handler::Place Handler::placeOf(QWidget *widget) const
{
    TForm1 *browser = m_forms.Form1;
    QWidget *window = widget->window();
    if (browser && window == browser->pageWindows().fullScreenWindow())
        return Place::FullScreen;
    if (m_forms.Form7 && window == m_forms.Form7)
        return Place::PageSource;
    if (widget == &m_main)
        return Place::Main;
    if (widget == m_main.addressBox())
        return Place::TextField;
    if (!browser)
        return otherWindows(m_forms).contains(widget) ? Place::OtherWindow : Place::None;
    if (widget == browser)
        return Place::Browser;
    if (widget == browser->pageArea())
        return Place::PageArea;
    if (widget->parent() == browser->WebBrowser1().widget())
        return Place::PageInput;
    if (browser->programKeyFields().contains(widget))
        return Place::TextField;
    if (isInside(widget, &browser->findBar()))
        return Place::FindBar;
    if (otherWindows(m_forms).contains(widget))
        return Place::OtherWindow;
    return Place::None;
}

bool Handler::take(QWidget *widget, Place place, const QKeyEvent &key)
{
    if (isEscape(key))
        return escape(widget, place);

    switch (place) {
    case Place::PageInput:
        return pageInputKey(widget, key);
    case Place::FullScreen: {
        // The page's view moved into this window: its keys are the page's.
        if (const Binding *binding = find(key, Scope::FullScreen)) {
            run(binding->command);
            return true;
        }
        if (widget->parent() == m_forms.Form1->WebBrowser1().widget())
            return pageInputKey(widget, key);
        return false;
    }
    case Place::PageArea:
    case Place::Browser:
    case Place::Main:
    case Place::TextField:
    case Place::OtherWindow:
        break;
    case Place::PageSource:
        // F1 and F2 rise to the source window as to any other.
        if (widget != m_forms.Form7)
            return false;
        place = Place::OtherWindow;
        break;
    case Place::FindBar:
    case Place::None:
        return false;
    }

    // F1 and F2 count where the key rose to a window or the page area, not
    // in a text field on its way.
    if (place != Place::TextField) {
        if (const Binding *binding = find(key, Scope::Interface)) {
            const bool popupVariant = place == Place::Main || place == Place::PageArea;
            if (!popupVariant && !m_main.mainMenuAttached())
                return false;
            if (binding->command == Command::SmallerInterface)
                popupVariant ? m_main.Minskainterface1Click() : m_main.SnabbInterface2Click();
            else
                popupVariant ? m_main.kainterface2Click() : m_main.kainterface1Click();
            return true;
        }
    }
    if (place == Place::OtherWindow)
        return false;
    const Binding *binding = find(key, place == Place::PageArea ? Scope::PageOnly : Scope::Anywhere);
    if (!binding)
        return false;
    run(binding->command);
    return true;
}

// Escape means the first of these that applies where it was pressed:
//   1. in the full-screen page: leave full screen;
//   2. while the page source is being fetched, in its window or in the
//      browser window: stop the fetch (what came stays in the pane);
//   3. in an address box showing suggestions: close the list, the box back
//      to what the user typed;
//   4. in the find bar: close it and clear the highlight;
//   5. in the page: stop it while it loads; otherwise the page has the key
//      (it may close a menu of its own);
//   6. anywhere else in the browser and main windows: Stop.
bool Handler::escape(QWidget *widget, Place place)
{
    if (place == Place::FullScreen) {
        run(Command::LeaveFullScreen);
        return true;
    }
    TForm7 *source = m_forms.Form7;
    if (source && source->fetching() && (place == Place::PageSource || widget->window() == m_forms.Form1)) {
        source->cancelFetch();
        return true;
    }
    if (place == Place::TextField) {
        auto *list = widget->findChild<AddressCompleter *>(QString(), Qt::FindDirectChildrenOnly);
        if (list && list->closeList())
            return true;
    }
    switch (place) {
    case Place::FindBar:
        m_forms.Form1->findBar().dismiss();
        return true;
    case Place::PageInput:
        if (!m_forms.Form1->WebBrowser1().isLoading())
            return false;
        break;
    case Place::PageArea:
    case Place::Browser:
    case Place::Main:
    case Place::TextField:
        break;
    case Place::OtherWindow:
    case Place::PageSource:
    case Place::FullScreen:
    case Place::None:
        return false;
    }
    run(Command::Escape);
    return true;
}

// Most keys reach the engine's page first and come back to the page area
// when the page declines them. Backspace never comes back, as the page
// always takes it: outside a text field it is taken before the page sees it.
bool Handler::pageInputKey(QWidget *input, const QKeyEvent &key)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key.key() != Qt::Key_Backspace)
        return false;
    // The engine takes text input only while a text field has the focus.
    if (input->inputMethodQuery(Qt::ImEnabled).toBool())
        return false;
    run(Command::Back);
    return true;
}

void Handler::run(Command command)
{
    TForm1 &browser = *m_forms.Form1;
    switch (command) {
    case Command::Back:
        m_main.Button2Click();
        break;
    case Command::Forward:
        m_main.Button3Click();
        break;
    case Command::Refresh:
        m_main.Uppdatera1Click();
        break;
    case Command::Escape:
        m_main.Button4Click();
        break;
    case Command::FocusAddress:
        focusAddressBox();
        break;
    case Command::Bookmark:
        browser.saveBookmarkOfPage();
        break;
    case Command::Find:
    case Command::FindNext:
    case Command::FindPrevious:
        // From the main window the bar opens in the browser window, if
        // that one is there to search.
        if (!browser.isVisible())
            break;
        browser.activateWindow();
        if (command == Command::Find)
            browser.findBar().open();
        else if (command == Command::FindNext)
            browser.findBar().findNext();
        else
            browser.findBar().findPrevious();
        break;
    case Command::ZoomIn:
        browser.pageZoom().step(1);
        break;
    case Command::ZoomOut:
        browser.pageZoom().step(-1);
        break;
    case Command::ZoomReset:
        browser.pageZoom().reset();
        break;
    case Command::Print:
        printpage::printToPdf(browser);
        break;
    case Command::LeaveFullScreen:
        browser.pageWindows().leaveFullScreen();
        break;
    case Command::SmallerInterface:
    case Command::LargerInterface:
        // take() runs these: the variant depends on where the key was.
        break;
    }
}

// The address box the user sees: the browser window's in the plain and
// the skinned toolbar, otherwise the main window's, brought forward.
void Handler::focusAddressBox()
{
    TForm1 &browser = *m_forms.Form1;
    QLineEdit *box = browser.isVisible() ? browser.shownAddressBox() : nullptr;
    if (box) {
        browser.activateWindow();
    } else {
        box = m_main.addressBox();
        m_main.show();
        m_main.raise();
        m_main.activateWindow();
    }
    box->setFocus(Qt::ShortcutFocusReason);
    box->selectAll();
}

} // namespace programkeys
