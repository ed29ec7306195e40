#include "platform/qt/modal_dialogs.h"

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <cstring>

#include "gtk_shell_client.h"
#include "platform/qt/event_tap.h"
#include "platform/qt/wayland.h"

// The protocol's interface tables, compiled after the header's declarations so
// that they keep C linkage. The header declares them without the visibility
// the tables ask for, which matters nowhere in a program of one binary.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#include "gtk_shell_protocol.c"
#pragma GCC diagnostic pop

namespace md5z {
namespace {

void bindShell(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
               std::uint32_t) {
    auto* shell = static_cast<gtk_shell1**>(data);
    if (*shell == nullptr && std::strcmp(interface, gtk_shell1_interface.name) == 0) {
        *shell =
            static_cast<gtk_shell1*>(wl_registry_bind(registry, name, &gtk_shell1_interface, 1));
    }
}

void ignoreRemoval(void*, wl_registry*, std::uint32_t) {}

// The compositor's gtk_shell1 on Qt's own connection, which the dialog's
// surface belongs to, or null where the compositor offers none. The registry
// is read once over a queue of its own, out of Qt's way; the shell then goes
// to Qt's queue, where its events meet no listener and are dropped.
gtk_shell1* gtkShell(wl_display* display) {
    static gtk_shell1* const shell = [display] {
        wl_event_queue* queue = wl_display_create_queue(display);
        auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
        wl_registry* registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        static const wl_registry_listener listener{bindShell, ignoreRemoval};
        gtk_shell1* found = nullptr;
        wl_registry_add_listener(registry, &listener, &found);
        wl_display_roundtrip_queue(display, queue);
        wl_registry_destroy(registry);
        if (found != nullptr) {
            wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(found), nullptr);
        }
        wl_event_queue_destroy(queue);
        return found;
    }();
    return shell;
}

void markModal(QWindow* window) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display = static_cast<wl_display*>(
        native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
    auto* surface = static_cast<wl_surface*>(
        native->nativeResourceForWindow(QByteArrayLiteral("surface"), window));
    gtk_shell1* shell = display == nullptr ? nullptr : gtkShell(display);
    if (shell == nullptr || surface == nullptr) {
        return;
    }
    gtk_surface1* marked = gtk_shell1_get_gtk_surface(shell, surface);
    gtk_surface1_set_modal(marked);
    // The compositor keeps the window's type; nothing else is asked of it.
    gtk_surface1_destroy(marked);
}

}  // namespace

// mutter takes the mark only from a surface that is already a toplevel,
// which Qt makes it when the window shows, and places the window when its
// first frame arrives, which Qt draws on the first expose.
void markModalOnShow(QWidget& dialog) {
    if (!onWayland() || dialog.parentWidget() == nullptr) {
        return;
    }
    tap(&dialog, [&dialog, watching = false](QObject*, QEvent* event) mutable {
        if (!watching && event->type() == QEvent::Show && dialog.windowHandle() != nullptr) {
            watching = true;
            tap(dialog.windowHandle(), [marked = false](QObject* window, QEvent* event) mutable {
                if (!marked && event->type() == QEvent::Expose) {
                    marked = true;
                    markModal(static_cast<QWindow*>(window));
                }
                return false;
            });
        }
        return false;
    });
}

}  // namespace md5z
