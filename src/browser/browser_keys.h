#pragma once

#include <QKeyCombination>
#include <QList>
#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;
class TForm1;
struct WindowSet;

// The usual browser keys, in the browser window (page area, text pane,
// address boxes, find bar) and in the main window. They run the commands
// the buttons and menus run, so a key fails exactly as its button does.
// F1 and F2 are not here: KeyRouter routes them.
namespace browserkeys {

enum class Command {
    Back,
    Forward,
    Refresh,
    Stop,
    FocusAddress,
    Bookmark,
    Find,
    FindNext,
    FindPrevious,
    ZoomIn,
    ZoomOut,
    ZoomReset,
    Print,
};

// Where a key counts: anywhere in the two windows, or only in the page
// area when the page did not take it (Backspace edits a text field).
enum class Scope { Anywhere, PageOnly };

struct Binding {
    QKeyCombination key;
    Scope scope;
    Command command;
};

// The command bound to `event` in `scope`, or nullptr. The keypad modifier
// does not count (keypad plus zooms as plus does).
const Binding *find(const QKeyEvent &event, Scope scope);

// Watches the windows and runs the commands. Lives as long as the browser
// window.
class Handler : public QObject {
    Q_OBJECT
public:
    Handler(TForm1 &browser, WindowSet &forms);

    // Text fields get Anywhere keys before they would handle them.
    void watchTextField(QWidget *field);

    void run(Command command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusAddressBox();
    bool pageInputKey(QObject *input, const QKeyEvent *key);

    TForm1 &m_browser;
    WindowSet &m_forms;
    QObject *m_pageArea;
    QWidget *m_engineView = nullptr;
};

} // namespace browserkeys
