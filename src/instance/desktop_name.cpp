#include <string>

#include "instance/instance_lock.h"

namespace md5z {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// [protocol/][host]:server[.screen]: the screen is dropped, and "unix" as
// protocol or host is the local host, as Xlib reads it.
std::string x11Server(std::string_view display) {
    if (startsWith(display, "unix/")) {
        display.remove_prefix(5);
    }
    const std::size_t colon = display.rfind(':');
    if (colon == std::string_view::npos) {
        return std::string(display);
    }
    std::string_view host = display.substr(0, colon);
    std::string_view server = display.substr(colon + 1);
    server = server.substr(0, server.find('.'));
    if (host == "unix" || host.empty()) {
        host = {};
    }
    return std::string(host) + ':' + std::string(server);
}

}  // namespace

std::string desktopName(std::string_view windowSystem, std::string_view x11Display,
                        std::string_view waylandDisplay, long processId) {
    if (windowSystem == "xcb") {
        return "x11/" + x11Server(x11Display);
    }
    if (startsWith(windowSystem, "wayland")) {
        // The toolkit's own default when the variable is unset.
        return "wayland/" + std::string(waylandDisplay.empty() ? "wayland-0" : waylandDisplay);
    }
    if (windowSystem == "offscreen" || startsWith(windowSystem, "minimal")) {
        return std::string(windowSystem) + '/' + std::to_string(processId);
    }
    return std::string(windowSystem);
}

}  // namespace md5z
