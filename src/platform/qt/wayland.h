#pragma once

#include <QGuiApplication>
#include <QLatin1String>

namespace md5z {

// Whether the window runs as a native Wayland client ("wayland",
// "wayland-egl", ...). There a client cannot place its windows, and the
// compositor decides about maximizing.
inline bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Whether the Wayland compositor is weston, which maximizes a window whose
// size is fixed all the same when the window's own frame asks it to (asked
// once, then remembered).
bool onWeston();

}  // namespace md5z
