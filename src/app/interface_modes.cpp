#include "app/interface_modes.h"

#include "app/main_window.h"
#include "app/persistence/persistence.h"
#include "browser/browser_window.h"
#include "toolkit/widgets/message_box.h"


namespace {

enum class Look : char { Keep, Hide, Show };
constexpr Look H = Look::Hide;
constexpr Look S = Look::Show;
constexpr Look K = Look::Keep;

// One look for each of the browser window's toolbar sets.
struct ModeRow {
    Look plainSet;
    Look banner;
    Look skinned;
    Look refresh;
    Look address2;
};

// Rows by mode 0, 1, 2.
constexpr ModeRow kStartupTable[3] = {
    {H, H, H, H, H},
    {S, H, H, H, H},
    {H, S, S, S, S},
};

// The popup pair shows the Refresh picture for every value.
constexpr ModeRow kPopupStepTable[3] = {
    {H, H, H, S, H},
    {S, H, H, S, H},
    {H, S, S, S, S},
};

// The main-menu pair leaves the skinned buttons and their address box alone.
constexpr ModeRow kMainMenuStepTable[3] = {
    {H, H, K, K, K},
    {S, H, K, K, K},
    {H, S, K, K, K},
};

void apply(TForm1 &browser, ToolbarSet set, Look look)
{
    if (look != Look::Keep)
        browser.showToolbarSet(set, look == Look::Show);
}

void applyRow(TForm1 &browser, const ModeRow &row)
{
    apply(browser, ToolbarSet::Plain, row.plainSet);
    apply(browser, ToolbarSet::Banner, row.banner);
    apply(browser, ToolbarSet::Skinned, row.skinned);
    apply(browser, ToolbarSet::Refresh, row.refresh);
    apply(browser, ToolbarSet::SecondAddress, row.address2);
}

} // namespace

bool applyStartupMode(TForm1 &browser, int mode)
{
    if (mode < 0 || mode > 2)
        return false;
    applyRow(browser, kStartupTable[mode]);
    return true;
}

void stepInterfaceMode(TForm1 &browser, qint32 &mode, ModeStep step, ModeVariant variant)
{
    // One step, within the range.
    if (step == ModeStep::Less && mode > 0)
        --mode;
    else if (step == ModeStep::More && mode < 2)
        ++mode;

    // The variant's table for the new value; other values change nothing.
    // A value from outside the range steps like any other: one step less
    // from 3 lands on 2, whose row is applied on the way to 1.
    if (mode >= 0 && mode <= 2)
        applyRow(browser, variant == ModeVariant::Popup ? kPopupStepTable[mode] : kMainMenuStepTable[mode]);

    // A value that came from outside the range is brought back.
    if (step == ModeStep::Less && mode > 1)
        mode = 1;
    else if (step == ModeStep::More && mode > 2)
        mode = 2;
}

void detachMainMenu(TForm2 &main)
{
    main.detachMenu();
}

void changeMenuState(TForm2 &main)
{
    // Byte 0 as the file holds it now.
    const char state = persistence::readMenuStateByte();
    // ModeChar.
    const char modeChar = QByteArray::number(main.InterfaceMode).at(0);
    // The opposite state with the mode; any other byte writes nothing.
    // The template after it. The two bytes and the template reach the
    // disk in one save, so a crash between them cannot leave a file without
    // its template; when the template cannot be read, the two bytes are
    // still written and the command stops with the template's error.
    QByteArray bytes;
    if (state == '0') {
        toolkit::showMessage(QStringLiteral("The main menu will now hide. Right click on the main window to the menu"));
        bytes = QByteArray{"1"} + modeChar;
    } else if (state == '1') {
        bytes = QByteArray{"0"} + modeChar;
    }
    if (bytes.isEmpty()) {
        persistence::appendTemplateToSettings();
    } else {
        QByteArray templateText;
        try {
            templateText = persistence::readTemplate();
        } catch (const Exception &) {
            persistence::writeSettingBytes(bytes);
            throw;
        }
        persistence::writeSettingBytes(bytes + templateText);
    }
    // Tell, then close; the close step saves the rest.
    toolkit::showMessage(QStringLiteral("Please restart the browser to make the new settings valid!"));
    main.requestClose();
}
