#pragma once

#include <QGuiApplication>
#include <QLatin1String>

namespace md5z {

// Whether the window runs as a native Wayland client ("wayland",
// "wayland-egl", ...). There a client cannot place its windows or make them
// translucent, and the compositor decides about maximizing.
inline bool onWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace md5z
