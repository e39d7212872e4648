#include "browser/browser_keys.h"

#include "browser/bookmark_file.h"
#include "browser/browser_window.h"
#include "browser/find_bar.h"
#include "browser/main_window_link.h"
#include "browser/page_zoom.h"
#include "browser/print_page.h"
#include "browser/window_set.h"
#include "toolkit/widgets/guard.h"

#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace browserkeys {
namespace {

constexpr Binding kBindings[] = {
    {Qt::ALT | Qt::Key_Left, Scope::Anywhere, Command::Back},
    {Qt::ALT | Qt::Key_Right, Scope::Anywhere, Command::Forward},
    {QKeyCombination(Qt::Key_Backspace), Scope::PageOnly, Command::Back},
    {QKeyCombination(Qt::Key_F5), Scope::Anywhere, Command::Refresh},
    {Qt::CTRL | Qt::Key_R, Scope::Anywhere, Command::Refresh},
    {QKeyCombination(Qt::Key_Escape), Scope::Anywhere, Command::Stop},
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
};

bool isInside(QObject *object, const QWidget *window)
{
    for (auto *widget = qobject_cast<QWidget *>(object); widget; widget = widget->parentWidget()) {
        if (widget == window)
            return true;
    }
    return false;
}

} // namespace

const Binding *find(const QKeyEvent &event, Scope scope)
{
    const QKeyCombination pressed(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key()));
    for (const Binding &binding : kBindings) {
        if (binding.key == pressed && (binding.scope == Scope::Anywhere || scope == Scope::PageOnly))
            return &binding;
    }
    return nullptr;
}

Handler::Handler(TForm1 &browser, WindowSet &forms)
    : QObject(&browser), m_browser(browser), m_forms(forms), m_pageArea(browser.ui.WebBrowser1)
{
    // Keys a child did not take rise to its window; the engine hands the
    // keys its page did not take to the widget that hosts it.
    browser.installEventFilter(this);
    browser.ui.WebBrowser1->installEventFilter(this);
    m_engineView = browser.WebBrowser1().widget();
    m_engineView->installEventFilter(this);
    for (QObject *child : m_engineView->children())
        child->installEventFilter(this);
    if (m_forms.Form2)
        m_forms.Form2->widget()->installEventFilter(this);
}

void Handler::watchTextField(QWidget *field)
{
    field->installEventFilter(this);
}

bool Handler::eventFilter(QObject *watched, QEvent *event)
{
    // The page's input goes to a child the engine makes when it first
    // renders (and may make anew).
    if (watched == m_engineView) {
        if (event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    // Behind a modal box the windows take no keys.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && !isInside(watched, modal))
        return false;
    if (watched->parent() == m_engineView)
        return pageInputKey(watched, static_cast<QKeyEvent *>(event));
    const Scope scope = watched == m_pageArea ? Scope::PageOnly : Scope::Anywhere;
    const Binding *binding = find(*static_cast<QKeyEvent *>(event), scope);
    if (!binding)
        return false;
    const Command command = binding->command;
    toolkit::guarded([this, command] { run(command); });
    return true;
}

// Most keys reach the engine's page first and come back to the page area
// when the page declines them. Two never come back, as the page always
// takes them: Backspace (outside a text field: back) and Escape (while a
// page loads: stop). They are taken before the page sees them.
bool Handler::pageInputKey(QObject *input, const QKeyEvent *key)
{
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    Command command;
    if (key->key() == Qt::Key_Backspace) {
        // The engine takes text input only while a text field has the focus.
        auto *widget = qobject_cast<QWidget *>(input);
        if (!widget || widget->inputMethodQuery(Qt::ImEnabled).toBool())
            return false;
        command = Command::Back;
    } else if (key->key() == Qt::Key_Escape) {
        if (!m_browser.WebBrowser1().isLoading())
            return false;
        command = Command::Stop;
    } else {
        return false;
    }
    toolkit::guarded([this, command] { run(command); });
    return true;
}

void Handler::run(Command command)
{
    MainWindowLink &main = *m_forms.Form2;
    switch (command) {
    case Command::Back:
        main.Button2Click();
        break;
    case Command::Forward:
        main.Button3Click();
        break;
    case Command::Refresh:
        main.Uppdatera1Click();
        break;
    case Command::Stop:
        main.Button4Click();
        break;
    case Command::FocusAddress:
        focusAddressBox();
        break;
    case Command::Bookmark:
        m_browser.saveBookmarkOfPage();
        break;
    case Command::Find:
    case Command::FindNext:
    case Command::FindPrevious:
        // From the main window the bar opens in the browser window, if
        // that one is there to search.
        if (!m_browser.isVisible())
            break;
        m_browser.activateWindow();
        if (command == Command::Find)
            m_browser.findBar().open();
        else if (command == Command::FindNext)
            m_browser.findBar().findNext();
        else
            m_browser.findBar().findPrevious();
        break;
    case Command::ZoomIn:
        m_browser.pageZoom().step(1);
        break;
    case Command::ZoomOut:
        m_browser.pageZoom().step(-1);
        break;
    case Command::ZoomReset:
        m_browser.pageZoom().reset();
        break;
    case Command::Print:
        printpage::printToPdf(m_browser);
        break;
    }
}

// The address box the user sees: the browser window's in the plain and
// the skinned toolbar, otherwise the main window's, brought forward.
void Handler::focusAddressBox()
{
    QLineEdit *box = nullptr;
    if (m_browser.isVisible()) {
        if (m_browser.ui.ComboBox1->isVisible())
            box = m_browser.ui.ComboBox1;
        else if (m_browser.ui.ComboBox2->isVisible())
            box = m_browser.ui.ComboBox2;
    }
    if (box) {
        m_browser.activateWindow();
    } else {
        box = m_forms.Form2->addressBox();
        QWidget *main = m_forms.Form2->widget();
        main->show();
        main->raise();
        main->activateWindow();
    }
    box->setFocus(Qt::ShortcutFocusReason);
    box->selectAll();
}

} // namespace browserkeys
