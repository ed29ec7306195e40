#pragma once

#include <QFont>

#include "window/layout.h"

namespace md5z {

// Maps the window's two font faces to installed Chinese faces of the same
// kind where the faces themselves are missing. Call once, before any
// widget is made.
void substituteMissingFaces();

// The font a control's layout names, at its exact point size.
QFont fontOf(const FontSpec& wanted);

}  // namespace md5z
