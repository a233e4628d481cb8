#pragma once
// Images 6 and 7 of the main window's image list, drawn by the program at any size so
// they stay sharp at every screen scaling: a studio encoder (a unit sending waves) and
// any other element (a unit receiving them).

#include <QIcon>

namespace ElementIcons {
QIcon encoder();
QIcon otherElement();
} // namespace ElementIcons
