#pragma once

#include <QFont>

#include "window/layout.h"

namespace md5z {

// Maps the window's two font faces to installed Chinese faces of the same
// kind where the faces themselves are missing, and makes the layout's
// default font (宋体 9 pt) the program's, so the menu and the boxes match
// the controls. Call once, before any widget is made.
void setUpFonts();

// The font a control's layout names, at its exact point size.
QFont fontOf(const FontSpec& wanted);

}  // namespace md5z
