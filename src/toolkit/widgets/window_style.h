#pragma once

#include <QFont>

class QWidget;

namespace toolkit {

// A window with a fixed single border: a caption with the system menu and
// its close box only, not resizable, at the size its form gives it.
void setFixedSingleBorder(QWidget &window);

// The forms' default font: "MS Sans Serif" at 11 pixels (the system picks
// its nearest match when that font is not installed).
QFont formFont();

} // namespace toolkit
