#pragma once

class QWidget;

namespace md5z {

// Holds a top-level window at one width and height. Where the window
// manager reads size hints the window says that its size is fixed (minimum
// equal to maximum), so nothing offers to resize, maximize or fullscreen
// it. A Wayland compositor may configure it maximized all the same and then
// insists on exactly the size it configured: a client that stays smaller is
// disconnected with a protocol error. There the window has a minimum only,
// follows the compositor, and is brought back by the next call.
//
// Each returns whether it changed the window's hints; a window that a
// window manager has resized against them is only asked back to the size.
bool holdWidth(QWidget& window, int width);
bool holdHeight(QWidget& window, int height);

}  // namespace md5z
