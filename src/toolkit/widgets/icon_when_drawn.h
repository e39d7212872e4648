#pragma once

#include <QIcon>

#include <functional>

namespace toolkit {

// An icon whose picture `lookUp` gives the first time it is drawn, on
// whichever thread that is, once; until then it tells any size asked for as
// its own. For the desktop
// theme's icons of windows made at start-up: looking the theme up costs
// milliseconds that a window seldom shown should not add to every start.
QIcon iconWhenDrawn(std::function<QIcon()> lookUp);

} // namespace toolkit
