#pragma once

#include <QColor>
#include <QPalette>

#include "platform/controls.h"

namespace md5z {

// The colour a stored colour value stands for: 0x00BBGGRR as it is, or the
// desktop's colour for a system colour number, taken from `palette`.
QColor qColour(Colour colour, const QPalette& palette);

}  // namespace md5z
