#pragma once

class QWidget;

namespace md5z {

// Tells the compositor that `dialog`, about to be shown over its owner, is
// that owner's modal dialog where the xdg_toplevel parent alone does not:
// mutter places a native Wayland window over its parent only as a modal
// dialog, which it learns through its gtk_shell1 protocol, and otherwise
// puts it beside or below the owner. Nothing happens on X11, without an
// owner, or on compositors without gtk_shell1.
void markModalOnShow(QWidget& dialog);

}  // namespace md5z
