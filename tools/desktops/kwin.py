"""KWin (Plasma) on its virtual back end, with Xwayland: pixels through its
screenshot interface, window properties through its scripting."""

import json
import os
import shutil

from . import DEADLINE_S, Failure, component, desktop
from ._compositor import CompositorScreen, xwayland_display
from .x11 import Image

SOCKET = "md5z-kwin"
# Room for the window and its notice, and few pixels to read.
SIZE = (800, 600)
# A screenshot KWin has not delivered by then will not come.
SHOT_MS = 5000
SHOT_TRIES = 3
# Prints every window as a JSON line in KWin's log.
LIST_SCRIPT = """for (const c of workspace.clientList()) {
    const g = c.frameGeometry;
    print("md5z-window " + JSON.stringify({name: c.caption, x: g.x, y: g.y, width: g.width,
        height: g.height, maximizable: c.maximizable, resizeable: c.resizeable,
        active: c.active}));
}"""
CLOSE_SCRIPT = """for (const c of workspace.clientList()) {
    if (c.caption === %s) { c.closeWindow(); }
}"""


@component("kwin", tools=["kwin_wayland", "Xwayland", "gdbus"])
def kwin(session):
    # Debian's binary carries a file capability that a container may not
    # grant; a copy runs without it. KWin's own Qt plugin loads only into a
    # program of that name.
    binary = os.path.join(session.path("kwin-bin", folder=True), "kwin_wayland")
    shutil.copy(shutil.which("kwin_wayland"), binary)
    env = {"KWIN_WAYLAND_NO_PERMISSION_CHECKS": "1", "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS": "1",
           "QT_LOGGING_RULES": "kwin_scripting.debug=true", "DISPLAY": None,
           "WAYLAND_DISPLAY": None, "QT_QPA_PLATFORM": None}
    process = session.spawn([binary, "--virtual", "--xwayland", "--width", str(SIZE[0]),
                             "--height", str(SIZE[1]), "--socket", SOCKET], env=env, log="kwin")
    session.wait(lambda: os.path.exists(os.path.join(session.env["XDG_RUNTIME_DIR"], SOCKET))
                 or process.poll() is not None, "KWin's socket")
    if process.poll() is not None:
        raise Failure("KWin ended:\n" + session.output(process))
    session.env["WAYLAND_DISPLAY"] = SOCKET
    session.env["DISPLAY"] = xwayland_display(session, process)
    session.wait(lambda: session.run(["gdbus", "call", "--session", "--dest", "org.kde.KWin",
                                      "--object-path", "/Scripting", "--method",
                                      "org.freedesktop.DBus.Peer.Ping"]).returncode == 0,
                 "KWin on the session bus")
    session.screen = KWinScreen(session, process)


class KWinScreen(CompositorScreen):
    def __init__(self, session, process):
        super().__init__(session)
        self.process, self.scripts, self.bus = process, 0, None

    def _bus(self):
        from gi.repository import Gio
        if self.bus is None:
            self.bus = Gio.DBusConnection.new_for_address_sync(
                self.session.env["DBUS_SESSION_BUS_ADDRESS"],
                Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        return self.bus

    def _call(self, path, interface, method, arguments=None, reply=None):
        from gi.repository import Gio, GLib
        return self._bus().call_sync("org.kde.KWin", path, interface, method, arguments,
                                     GLib.VariantType(reply) if reply else None,
                                     Gio.DBusCallFlags.NONE, DEADLINE_S * 1000, None)

    def screenshot(self):
        """The output as KWin shows it. KWin now and then leaves a request
        unanswered (measured once in some fifteen sessions on a loaded
        machine): it is asked again."""
        from gi.repository import GLib
        for _ in range(SHOT_TRIES - 1):
            try:
                return self._capture()
            except GLib.Error:
                continue
        return self._capture()

    def _capture(self):
        from gi.repository import Gio, GLib
        read_end, write_end = os.pipe()
        fds = Gio.UnixFDList.new()
        fds.append(write_end)
        os.close(write_end)
        try:
            reply, _ = self._bus().call_with_unix_fd_list_sync(
                "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                "CaptureArea", GLib.Variant("(iiuua{sv}h)", (0, 0, *SIZE, {}, 0)),
                GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, SHOT_MS, fds, None)
        except GLib.Error:
            os.close(read_end)
            raise
        del fds
        meta = reply.unpack()[0]
        width, height, stride = meta["width"], meta["height"], meta["stride"]
        data = bytearray()
        with os.fdopen(read_end, "rb") as pipe:
            while len(data) < stride * height:
                chunk = pipe.read(stride * height - len(data))
                if not chunk:
                    break
                data += chunk
        rows = b"".join(bytes(data[y * stride:y * stride + width * 4]) for y in range(height))
        return Image(width, height, rows)

    def script(self, text):
        """Runs a KWin script; returns what it printed (md5z-window lines).
        KWin reads a script's file on a thread of its own and runs it later,
        so one started with Scripting.start and unloaded at once was now and
        then gone before it ran (7 in 900 on a loaded machine): a close
        never asked. Script.run answers once the script has run."""
        from gi.repository import GLib
        self.scripts += 1
        name = "md5z-%d" % self.scripts
        path = self.session.path("script-%d.js" % self.scripts)
        end = "md5z-ran " + name
        with open(path, "w") as out:
            out.write("%s\nprint(%s);\n" % (text, json.dumps(end)))
        before = len(self.session.output(self.process))
        [number] = self._call("/Scripting", "org.kde.kwin.Scripting", "loadScript",
                              GLib.Variant("(ss)", (path, name)), "(i)").unpack()
        if number < 0:
            raise Failure("KWin refused the script " + path)
        # KWin 5 serves each loaded script under its number.
        self._call("/%d" % number, "org.kde.kwin.Script", "run")
        self._call("/%d" % number, "org.kde.kwin.Script", "stop")
        printed = self.session.output(self.process)[before:]
        if end not in printed:
            raise Failure("KWin did not run the script %s:\n%s" % (path, printed))
        return printed

    def window_list(self):
        """Every window KWin manages, with its frame and what it allows."""
        def listed():
            lines = [line.split("md5z-window ", 1)[1] for line in
                     self.script(LIST_SCRIPT).splitlines() if "md5z-window " in line]
            return [json.loads(line) for line in lines] or None
        return self.wait(listed, "KWin's window list") if self.x11 is None else (listed() or [])

    def close(self, title):
        self.script(CLOSE_SCRIPT % json.dumps(title))

    def key(self, *keys, window=None):
        """Keys through Xwayland's XTEST: they reach the window KWin focused."""
        for key in keys:
            self.session.run(["xdotool", "key", key], check=True)

    def type(self, text, delay_ms=50):
        self.session.run(["xdotool", "type", "--delay", str(delay_ms), text], check=True)


desktop("kwin", "dbus", "kwin")
