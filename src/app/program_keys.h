#pragma once

#include <QKeyCombination>
#include <QObject>

class QKeyEvent;
class QWidget;
class TForm2;
struct WindowSet;

// Every key the program takes for itself, in one table, and where each one
// counts. The keys run the commands the buttons and menus run, so a key
// fails exactly as its button does.
//
// The table watches the application's key events (not any one window's),
// so a window's own code never has its keys taken by a filter someone else
// put on it. A key counts where it arrives:
//   - in the page, before the page sees it: Backspace outside a text field
//     (Back) and Escape while the page loads, the two keys the page would
//     always take;
//   - in the page area, keys the page declined;
//   - in the browser window's address boxes and text pane and the main
//     window's address box, before the box would handle them (Ctrl+D
//     deletes in a text box);
//   - in the browser and main windows, keys that rose unhandled to them.
// F1 and F2 step the interface as their (never visible) menu items would:
// on the main window and in the page area the popup menu's variants,
// whatever the menu state; in the browser window and every other window the
// main menu's variants, and only while the main menu is attached.
namespace programkeys {

enum class Command {
    Back,
    Forward,
    Refresh,
    Escape,
    FocusAddress,
    Bookmark,
    Find,
    FindNext,
    FindPrevious,
    ZoomIn,
    ZoomOut,
    ZoomReset,
    Print,
    SmallerInterface,
    LargerInterface,
    LeaveFullScreen,
};

// Where a key counts: anywhere in the two windows, only in the page area
// (Backspace edits a text field), in the windows F1 and F2 reach, or in the
// full-screen page.
enum class Scope { Anywhere, PageOnly, Interface, FullScreen };

struct Binding {
    QKeyCombination key;
    Scope scope;
    Command command;
};

// The binding of `event` in `scope` (the page area also has the keys of
// anywhere), or nullptr. The keypad modifier does not count (keypad plus
// zooms as plus does).
const Binding *find(const QKeyEvent &event, Scope scope);

// Watches the application's keys for the window set; owned by the main
// window, made once every window exists.
class Handler : public QObject {
    Q_OBJECT
public:
    Handler(TForm2 &main, WindowSet &forms);
    ~Handler() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Place { None, PageInput, PageArea, TextField, Browser, Main, OtherWindow, FindBar, FullScreen, PageSource };

    Place placeOf(QWidget *widget) const;
    bool take(QWidget *widget, Place place, const QKeyEvent &key);
    bool escape(QWidget *widget, Place place);
    bool pageInputKey(QWidget *input, const QKeyEvent &key);
    void run(Command command);
    void focusAddressBox();

    TForm2 &m_main;
    WindowSet &m_forms;
};

} // namespace programkeys
