#include "platform/qt/wayland.h"

#include <wayland-client.h>

#include <cstring>

namespace md5z {
namespace {

struct Search {
    const char* interface;
    bool found = false;
};

void noteGlobal(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
    auto* search = static_cast<Search*>(data);
    search->found = search->found || std::strcmp(interface, search->interface) == 0;
}

void ignoreRemoval(void*, wl_registry*, std::uint32_t) {}

// Whether the compositor of WAYLAND_DISPLAY offers a global of `interface`,
// asked over a connection of its own: Qt 6.4 keeps its own list private.
bool compositorOffers(const char* interface) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    static const wl_registry_listener listener{noteGlobal, ignoreRemoval};
    Search search{interface};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &search);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return search.found;
}

}  // namespace

bool onWeston() {
    static const bool weston = onWayland() && compositorOffers("weston_desktop_shell");
    return weston;
}

}  // namespace md5z
