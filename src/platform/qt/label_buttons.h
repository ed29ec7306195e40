#pragma once

#include <QLabel>

#include "platform/qt/window_widgets.h"

namespace md5z {

// Lets the keyboard reach and press the label-buttons: Tab stops on each one
// that is enabled, Space or Enter presses the one with the focus, and a
// dotted frame marks it. The frame is drawn only while a label-button has
// the keyboard focus, which a mouse click never gives it, so the window at
// rest looks as designed.
void makeLabelButtons(const WindowWidgets& widgets);

// Presses a label-button on behalf of an assistive tool: the press reaches
// the label once control is back in the event loop, so the tool's request is
// answered first even when the press opens a box. A label that a modal box
// blocks is not pressed, as it could not be clicked.
void pressLater(QLabel& label);

}  // namespace md5z
