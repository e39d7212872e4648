#pragma once

#include <QtGlobal>

class TForm1;
class TForm2;

// The browser window's toolbar sets chosen by the interface mode, and the
// main window's menu state.

// Applies the start-up table for `mode`. Returns false, changing nothing,
// for a mode other than 0, 1 or 2.
bool applyStartupMode(TForm1 &browser, int mode);

// The two pairs of stepping commands. The popup pair and the main-menu pair
// apply different tables (the main-menu pair touches only the plain set and
// the banner), which is why the variant is part of the step.
enum class ModeStep { Less, More };
enum class ModeVariant { Popup, MainMenu };

// One stepping command: moves `mode` one step within 0..2, applies the
// variant's table for the new value, then brings a value that was out of
// range back (less: at most 1, more: at most 2) without applying it.
void stepInterfaceMode(TForm1 &browser, qint32 &mode, ModeStep step, ModeVariant variant);

// Detaches the main menu: no menu bar, no shortcut keys from it, and the
// client area keeps its 440 x 92 pixels.
void detachMainMenu(TForm2 &main);

// "Change the menu state": writes the opposite menu state with the mode
// into the settings file, appends the template, tells the user, then asks
// the main window to close. A file failure stops it at that step.
void changeMenuState(TForm2 &main);
