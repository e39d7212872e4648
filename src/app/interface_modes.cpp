#include "app/interface_modes.h"

#include "app/main_window.h"
#include "browser/browser_window.h"

#include <QMenuBar>

namespace {

struct StartupRow {
    bool plainSet;
    bool banner;    // Image1
    bool skinned;   // rew, forw, stop
    bool refresh;   // Image2
    bool address2;  // ComboBox2
};

// Rows by mode 0, 1, 2.
constexpr StartupRow kStartupTable[3] = {
    {false, false, false, false, false},
    {true, false, false, false, false},
    {false, true, true, true, true},
};

void setPlainSet(TForm1 &browser, bool visible)
{
    browser.ui.Button1->setVisible(visible);
    browser.ui.Button2->setVisible(visible);
    browser.ui.Button3->setVisible(visible);
    browser.ui.ComboBox1->setVisible(visible);
    browser.ui.Button4->setVisible(visible);
}

} // namespace

bool applyStartupMode(TForm1 &browser, int mode)
{
    if (mode < 0 || mode > 2)
        return false;
    const StartupRow &row = kStartupTable[mode];
    setPlainSet(browser, row.plainSet);
    browser.ui.Image1->setVisible(row.banner);
    browser.ui.rew->setVisible(row.skinned);
    browser.ui.forw->setVisible(row.skinned);
    browser.ui.stop->setVisible(row.skinned);
    browser.ui.Image2->setVisible(row.refresh);
    browser.ui.ComboBox2->setVisible(row.address2);
    return true;
}

void detachMainMenu(TForm2 &main)
{
    main.ui.MainMenu1->hide();
    main.ui.MainMenu1->setEnabled(false);
    main.setFixedSize(440, 92);
}
