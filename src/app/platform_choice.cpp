#include "app/platform_choice.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QString>
#include <QtGlobal>
#include <cstring>

namespace md5z {
namespace {

bool xServerAnswers() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// Where libwayland looks for the compositor: WAYLAND_DISPLAY, a path or a
// name in XDG_RUNTIME_DIR, "wayland-0" when unset. Asked with a plain
// connect, as libwayland would complain on standard error.
bool waylandAnswers() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) {
        return true;
    }
    QByteArray path = qgetenv("WAYLAND_DISPLAY");
    if (path.isEmpty()) {
        path = QByteArrayLiteral("wayland-0");
    }
    if (!path.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) {
            return false;
        }
        path = runtime + '/' + path;
    }
    sockaddr_un address{};
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers = probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&address),
                                                 sizeof address) == 0;
    if (probe >= 0) {
        ::close(probe);
    }
    return answers;
}

struct InputMethod {
    const char* module;
    const char* xModifier;
    const char* busNames[2];
};

constexpr InputMethod kInputMethods[] = {
    {"fcitx", "@im=fcitx", {"org.fcitx.Fcitx5", "org.freedesktop.portal.Fcitx"}},
    {"ibus", "@im=ibus", {"org.freedesktop.IBus", "org.freedesktop.portal.IBus"}},
};

const InputMethod* inputMethodOfSession() {
    const QByteArray modifiers = qgetenv("XMODIFIERS");
    for (const InputMethod& method : kInputMethods) {
        if (modifiers.startsWith(method.xModifier)) {
            return &method;
        }
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return nullptr;
    }
    const QString name = QStringLiteral("md5zevrin-input-method");
    const InputMethod* found = nullptr;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        const QDBusConnectionInterface* daemon = bus.interface();
        for (const InputMethod& method : kInputMethods) {
            for (const char* busName : method.busNames) {
                if (found == nullptr && daemon != nullptr &&
                    daemon->isServiceRegistered(QString::fromLatin1(busName)).value()) {
                    found = &method;
                }
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return found;
}

}  // namespace

PlatformChoice::PlatformChoice() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const char* platform = xServerAnswers() ? "xcb" : waylandAnswers() ? "wayland" : nullptr;
        if (platform != nullptr) {
            platform_ = qputenv("QT_QPA_PLATFORM", platform);
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_IM_MODULE")) {
        if (const InputMethod* method = inputMethodOfSession()) {
            inputMethod_ = qputenv("QT_IM_MODULE", method->module);
        }
    }
}

void PlatformChoice::forget() {
    if (platform_) {
        qunsetenv("QT_QPA_PLATFORM");
    }
    if (inputMethod_) {
        qunsetenv("QT_IM_MODULE");
    }
}

}  // namespace md5z
