#pragma once

class QWidget;

namespace md5z {

// Holds a top-level window at one width and height. The window says that its
// size is fixed (minimum equal to maximum), so window managers and Wayland
// compositors offer no resize, maximize or fullscreen, and sway floats it.
// weston alone maximizes such a window all the same when the frame Qt draws
// asks it to (Qt 6.4 sends that request whatever the hints say), and then
// insists on exactly the size it configured: a client that stays smaller is
// ended with a protocol error. On weston the window has a minimum only,
// follows the compositor, and is brought back by the next call.
//
// Each returns whether it changed the window's hints; a window that a
// window manager has resized against them is only asked back to the size.
bool holdWidth(QWidget& window, int width);
bool holdHeight(QWidget& window, int height);

}  // namespace md5z
