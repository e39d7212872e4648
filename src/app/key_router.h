#pragma once

#include <QObject>

class QWidget;
class TForm1;
class TForm2;

// Routes F1 and F2 to the interface stepping commands. Their menu items are
// never visible, and Qt fires no shortcut of an invisible action, so the
// keys are routed here, the way the menus would take them:
//   - on the main window: the popup variants, whatever the menu state;
//   - in the browser window's address boxes, text pane and buttons, and in
//     every other window: the main-menu variants, and only while the main
//     menu is attached (the key ends up at the main window's main menu);
//   - in the page area, keys the page did not take: the popup variants.
class KeyRouter : public QObject {
    Q_OBJECT
public:
    explicit KeyRouter(TForm2 &main);

    // Watches the browser window once it exists.
    void watchBrowserWindow(TForm1 &browser);
    // Watches a window that has no menu of its own carrying the keys.
    void watchWindow(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TForm2 &m_main;
    QObject *m_browser = nullptr;
    QObject *m_pageArea = nullptr;
};
