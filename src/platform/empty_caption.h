#pragma once

class QWidget;

namespace platform {

// Makes an empty caption of `window` show as empty in its title bar. Qt
// puts the program's name in the place of an empty title, so a window the
// program captions "" would read "Kestrelon". Only the X11 window system is
// known to need this; elsewhere it does nothing.
void keepEmptyCaptionEmpty(QWidget &window);

} // namespace platform
