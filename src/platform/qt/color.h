#pragma once

#include <QColor>
#include <QPalette>

#include "window/controls.h"

namespace md5z {

// The color a stored color value stands for: 0x00BBGGRR as it is, or the
// desktop's color for a system color number, taken from `palette`.
QColor qColor(Color color, const QPalette& palette);

}  // namespace md5z
