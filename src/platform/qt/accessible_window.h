#pragma once

#include <QWidget>
#include <string_view>

#include "window/controls.h"

namespace md5z {

// Shows the window to assistive technology (screen readers, AT-SPI) as a
// person sees it: the label-buttons are push buttons with a Press action,
// each result row reads as its caption and its value, the counter says what
// it counts, and the hidden stores, the shapes, the lines and the background
// are left out. Installs the interfaces once per process; call it before the
// window's widgets are made.
void installAccessibleWindow();

// Tells a screen reader at once what a click on a label-button of the
// client area changed (clickOutcome, window/accessible_tree.h).
void announceClick(QWidget& client, std::u16string_view outcome);

}  // namespace md5z
