"""mutter (GNOME) headless with a virtual monitor, and Xwayland: pixels and
keys through its remote desktop and screen cast interfaces, the frames over
PipeWire."""

import os
import signal
import subprocess
import threading
import time

from . import DEADLINE_S, Failure, component, desktop
from ._compositor import CompositorScreen, xwayland_display
from .x11 import Image

SOCKET = "md5z-mutter"
# Room for the window and its notice, and few pixels to read.
SIZE = (800, 600)
# A frame on its way comes within this.
FRAME_WAIT_S = 0.15
REMOTE = "org.gnome.Mutter.RemoteDesktop"
CAST = "org.gnome.Mutter.ScreenCast"
KEYSYMS = {"Return": 0xFF0D, "Escape": 0xFF1B, "F4": 0xFFC1, "Up": 0xFF52, "space": 0x20,
           "shift": 0xFFE1, "ctrl": 0xFFE3, "alt": 0xFFE9, "super": 0xFFEB}


@component("pipewire", tools=["pipewire", "wireplumber"])
def pipewire(session):
    session.spawn(["pipewire"])
    session.wait(lambda: os.path.exists(session.path("run", "pipewire-0")), "PipeWire")
    session.spawn(["wireplumber"])


@component("mutter", tools=["mutter", "Xwayland", "gdbus", "gst-launch-1.0"])
def mutter(session):
    process = session.spawn(["mutter", "--headless", "--wayland", "--virtual-monitor", "%dx%d" % SIZE,
                             "--wayland-display", SOCKET],
                            env={"DISPLAY": None, "WAYLAND_DISPLAY": None})
    # mutter lets SIGTERM wait on its Xwayland for seconds; nothing of it
    # is kept.
    session.closers.append(lambda: process.poll() is None and os.killpg(process.pid,
                                                                         signal.SIGKILL))
    session.env["WAYLAND_DISPLAY"] = SOCKET
    session.env["DISPLAY"] = xwayland_display(session, process)
    if session.run(["gdbus", "wait", "--session", "--timeout", str(DEADLINE_S), CAST]).returncode:
        raise Failure("mutter's screen cast did not start:\n" + session.output(process))
    session.screen = MutterScreen(session)


class MutterScreen(CompositorScreen):
    """A remote desktop session with a screen cast of the monitor; held as
    long as the screen object's bus connection."""

    def __init__(self, session):
        super().__init__(session)
        from gi.repository import Gio, GLib
        self.GLib = GLib
        self.bus = Gio.DBusConnection.new_for_address_sync(
            session.env["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        self.remote = self._call(REMOTE, "/org/gnome/Mutter/RemoteDesktop", REMOTE,
                                 "CreateSession", None, "(o)")[0]
        session_id = self._call(REMOTE, self.remote, "org.freedesktop.DBus.Properties", "Get",
                                GLib.Variant("(ss)", (REMOTE + ".Session", "SessionId")),
                                "(v)")[0]
        cast = self._call(CAST, "/org/gnome/Mutter/ScreenCast", CAST, "CreateSession",
                          GLib.Variant("(a{sv})", ({"remote-desktop-session-id":
                                                    GLib.Variant("s", session_id)},)), "(o)")[0]
        stream = self._call(CAST, cast, CAST + ".Session", "RecordMonitor",
                            GLib.Variant("(sa{sv})", ("", {})), "(o)")[0]
        nodes = []
        self.bus.signal_subscribe(CAST, CAST + ".Stream", "PipeWireStreamAdded", stream, None, 0,
                                  lambda *signal: nodes.append(signal[5][0]))
        self._call(REMOTE, self.remote, REMOTE + ".Session", "Start", None, None)
        context = GLib.MainContext.default()
        self.wait(lambda: context.iteration(False) or nodes, "mutter's screen cast stream")
        self.node = nodes[0]
        self._watch()
        # The virtual keyboard's first key can be lost.
        self.key("shift")

    def _call(self, name, path, interface, method, arguments, reply):
        GLib = self.GLib
        return self.bus.call_sync(name, path, interface, method, arguments,
                                  GLib.VariantType(reply) if reply else None, 0,
                                  DEADLINE_S * 1000, None).unpack()

    def _watch(self):
        """One stream for the session: mutter sends a frame for each change
        on screen, and the latest is the screen as it is."""
        command = ["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % self.node, "!",
                   "videoconvert", "!", "video/x-raw,format=BGRx,width=%d,height=%d" % SIZE, "!",
                   "fdsink"]
        stream = subprocess.Popen(command, env=self.session.environment(),
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.session.closers.append(lambda: (stream.terminate(), stream.wait()))
        self.latest, self.count, self.recording = None, 0, None
        self.arrived = threading.Condition()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()
        self.wait(lambda: self.latest, "mutter's first frame")

    def _read(self, stream):
        size = SIZE[0] * SIZE[1] * 4
        while (frame := stream.stdout.read(size)) and len(frame) == size:
            with self.arrived:
                self.latest, self.count = frame, self.count + 1
                if self.recording is not None:
                    self.recording.append(frame)
                self.arrived.notify_all()

    def screenshot(self):
        """The latest frame, once any frame on its way has come."""
        with self.arrived:
            count = self.count
            self.arrived.wait_for(lambda: self.count != count, FRAME_WAIT_S)
            return Image(*SIZE, self.latest)

    def record(self, done):
        """Every frame until done() holds, as images."""
        with self.arrived:
            self.recording = []
        try:
            self.wait(done, "the end of the recording")
            time.sleep(FRAME_WAIT_S)
        finally:
            with self.arrived:
                frames, self.recording = self.recording, None
        return [Image(*SIZE, frame) for frame in frames]

    def _keysym(self, symbol, pressed):
        self._call(REMOTE, self.remote, REMOTE + ".Session", "NotifyKeyboardKeysym",
                   self.GLib.Variant("(ub)", (symbol, pressed)), None)

    def key(self, *keys, window=None):
        """Keys by name (Return, alt+F4, super+Up)."""
        for key in keys:
            symbols = [KEYSYMS.get(name, ord(name[0])) for name in key.split("+")]
            for symbol in symbols:
                self._keysym(symbol, True)
            for symbol in reversed(symbols):
                self._keysym(symbol, False)

    def type(self, text, delay_ms=50):
        for character in text:
            self.key(character)


desktop("mutter", "dbus", "pipewire", "mutter")
