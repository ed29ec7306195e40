#include "platform/qt/translucency.h"

#include <xcb/xcb.h>

#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/qt/wayland.h"

namespace md5z {
namespace {

// Xwayland names its outputs XWAYLAND0, XWAYLAND1, ...
bool onXwayland() {
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [](const QScreen* screen) {
        return screen->name().startsWith(QLatin1String("XWAYLAND"));
    });
}

template <typename Reply>
using ReplyHolder = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name) {
    const ReplyHolder<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

ReplyHolder<xcb_get_property_reply_t> propertyOf(xcb_connection_t* connection, xcb_window_t window,
                                                 xcb_atom_t property, xcb_atom_t type) {
    return {
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, type, 0, 256), nullptr),
        &std::free};
}

// The name the window manager gives itself (_NET_SUPPORTING_WM_CHECK's
// _NET_WM_NAME), empty where none answers.
QByteArray windowManagerName() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return {};
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto check = propertyOf(
        connection, root, atomNamed(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (!check || xcb_get_property_value_length(check.get()) < 4) {
        return {};
    }
    const auto wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(check.get()));
    const auto name = propertyOf(connection, wm, atomNamed(connection, "_NET_WM_NAME"),
                                 atomNamed(connection, "UTF8_STRING"));
    if (!name) {
        return {};
    }
    return QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                      xcb_get_property_value_length(name.get()));
}

// Among the compositors that show X clients through Xwayland, KWin alone
// shows their window opacity; mutter lists the property as supported all the
// same, so the name decides.
bool honoursWindowOpacity() {
    if (onWayland()) {
        return false;
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !onXwayland()) {
        return true;
    }
    return windowManagerName() == "KWin";
}

}  // namespace

Translucency::Translucency(QWidget& window) : window_(window) {
    if (honoursWindowOpacity()) {
        return;
    }
    // The surface gets an alpha channel (an ARGB visual on X), the window
    // paints its own background, and the effect draws the window and all its
    // children at the alpha.
    window_.setAttribute(Qt::WA_TranslucentBackground);
    window_.setAutoFillBackground(true);
    effect_ = new QGraphicsOpacityEffect(&window_);
    window_.setGraphicsEffect(effect_);
}

void Translucency::setAlpha(std::uint8_t alpha) {
    if (effect_ == nullptr) {
        window_.setWindowOpacity(alpha / 255.0);
        // Qt sends its requests to the X server when events come back, and an
        // idle window gets none: without this, steps would reach the
        // compositor in bursts, and the fade would show a few of them.
        QGuiApplication::sync();
        return;
    }
    effect_->setOpacity(alpha / 255.0);
}

}  // namespace md5z
