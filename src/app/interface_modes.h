#pragma once

class TForm1;
class TForm2;

// The browser window's toolbar sets chosen by the interface mode, and the
// main window's menu state.

// Applies the start-up table for `mode`. Returns false, changing nothing,
// for a mode other than 0, 1 or 2.
bool applyStartupMode(TForm1 &browser, int mode);

// Detaches the main menu: no menu bar, no shortcut keys from it, and the
// client area keeps its 440 x 92 pixels.
void detachMainMenu(TForm2 &main);
