"""sway (wlroots) on its headless back end, with Xwayland: pixels through
grim, keys and text through wtype, the layout through swaymsg."""

import glob
import json
import subprocess

from . import DEADLINE_S, component, desktop
from ._compositor import CompositorScreen, as_unprivileged, xwayland_display
from .x11 import Image

# The output's colour where no window is, for a test that reads pixels.
BACKGROUND_RGB = (0xFF, 0x00, 0x00)
# Room for the window and its notice, and few pixels to read.
CONFIG = """xwayland force
output * bg #%02x%02x%02x solid_color
output * resolution 800x600
default_border normal
focus_on_window_activation focus
""" % BACKGROUND_RGB


@component("sway", tools=["sway", "swaymsg", "grim", "wtype", "setpriv", "Xwayland"])
def sway(session):
    config = session.path("sway.config")
    with open(config, "w") as out:
        out.write(CONFIG)
    env = {"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman",
           "DISPLAY": None, "WAYLAND_DISPLAY": None}
    process = session.spawn(as_unprivileged(session, ["sway", "--config", config]), env=env)
    runtime = session.env["XDG_RUNTIME_DIR"]
    session.env["SWAYSOCK"] = session.wait(
        lambda: next(iter(glob.glob(runtime + "/sway-ipc.*.sock")), None), "sway's socket")
    session.wait(lambda: session.run(["swaymsg", "-t", "get_version"]).returncode == 0,
                 "sway to answer")
    session.env["WAYLAND_DISPLAY"] = session.wait(
        lambda: next(iter(sorted(glob.glob(runtime + "/wayland-[0-9]"))), None),
        "sway's Wayland socket").rsplit("/", 1)[1]
    session.env["DISPLAY"] = xwayland_display(session, process)
    session.screen = SwayScreen(session)


class SwayScreen(CompositorScreen):
    def screenshot(self):
        shot = subprocess.run(["grim", "-t", "ppm", "-"], env=self.session.environment(),
                              capture_output=True, check=True, timeout=DEADLINE_S).stdout
        _, size, _, pixels = shot.split(b"\n", 3)
        width, height = map(int, size.split())
        bgrx = bytearray(width * height * 4)
        for channel in range(3):
            bgrx[2 - channel::4] = pixels[channel::3]
        return Image(width, height, bytes(bgrx))

    # Each wtype run is a new virtual keyboard, whose first key is lost
    # while Xwayland takes up its keymap: it waits this long first.
    KEYMAP_MS = "500"

    def key(self, *keys, window=None):
        for key in keys:
            *modifiers, name = key.split("+")
            self.session.run(["wtype", "-s", self.KEYMAP_MS]
                             + [part for modifier in modifiers for part in ("-M", modifier)]
                             + ["-k", name], check=True)

    def type(self, text, delay_ms=50):
        self.session.run(["wtype", "-s", self.KEYMAP_MS, "-d", str(delay_ms), text], check=True)

    def command(self, *words):
        return self.session.run(["swaymsg"] + list(words))

    def tree(self):
        """Every window sway shows: name, floating, rect, focused, shell."""
        found = []

        def walk(node, floating):
            if node.get("type") in ("con", "floating_con") and node.get("name") is not None:
                found.append({"name": node["name"], "floating": floating,
                              "rect": node["rect"], "focused": node.get("focused"),
                              "shell": node.get("shell")})
            for child in node.get("nodes", []):
                walk(child, floating)
            for child in node.get("floating_nodes", []):
                walk(child, True)
        walk(json.loads(self.command("-t", "get_tree").stdout), False)
        return found


desktop("sway", "dbus", "sway")
