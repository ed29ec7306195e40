"""X servers, window managers and compositors, and the screen of an X server:
windows by title, input through xdotool, pixels, the clipboard."""

import os
import random
import select
import socket
import struct
import time
import zlib

from . import DEADLINE_S, NOTICE, WINDOW, Failure, component, desktop, read_line

# X events and the end of any process of the session wake every wait; a
# title set on a client inside a window manager's frame raises none on the
# root, so a wait also looks again after this.
LOOK_AGAIN_S = 0.25


def _display_taken(number):
    """A socket or lock file, or a listener in the abstract namespace (where
    servers of other file system views show only that)."""
    if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
        return True
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        probe.connect("\0/tmp/.X11-unix/X%d" % number)
        return True
    except OSError:
        return False
    finally:
        probe.close()


@component("xvfb", tools=["Xvfb", "hsetroot"])
def xvfb(session, size="1024x768x24"):
    """An Xvfb on a display number nobody uses, picked at random so that
    parallel sessions rarely try the same; a lost race tries another.
    Session options: size (WxHxDEPTH) for the screen, root=(r, g, b) paints
    the root in that colour."""
    size = session.options.get("size", size)
    for number in random.sample(range(100, 1000), 900):
        if _display_taken(number):
            continue
        read_end, write_end = os.pipe()
        server = session.spawn(["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen",
                                "0", size, "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        if read_line(read_end) == str(number):
            break
        session.stop(server)
    else:
        raise Failure("no free display number")
    session.env["DISPLAY"] = ":%d" % number
    session.screen = X11Screen(session)
    if "root" in session.options:
        session.run(["hsetroot", "-solid", "#%02x%02x%02x" % session.options["root"]], check=True)


@component("openbox", tools=["openbox"])
def openbox(session):
    session.spawn(["openbox", "--sm-disable"])
    session.screen.wait(session.screen.window_manager_ready, "openbox")


@component("xfwm4", tools=["xfwm4"])
def xfwm4(session):
    """xfwm4 with its own compositor."""
    session.spawn(["xfwm4", "--compositor=on", "--sm-client-disable"])
    session.screen.wait(session.screen.window_manager_ready, "xfwm4")
    session.screen.wait(session.screen.compositor_ready, "xfwm4's compositor")


@component("xcompmgr", tools=["xcompmgr"])
def xcompmgr(session):
    session.spawn(["xcompmgr"])
    session.screen.wait(session.screen.compositor_ready, "xcompmgr")


@component("picom", tools=["picom"])
def picom(session):
    session.spawn(["picom", "--backend", "xrender", "--config", "/dev/null"])
    session.screen.wait(session.screen.compositor_ready, "picom")


desktop("xvfb", "xvfb")
desktop("openbox", "xvfb", "openbox")
desktop("openbox+xcompmgr", "xvfb", "openbox", "xcompmgr")
desktop("openbox+picom", "xvfb", "openbox", "picom")
desktop("xfwm4", "xvfb", "xfwm4")
desktop("openbox-scale2", ("xvfb", {"size": "2048x1536x24"}), "openbox",
        ("env", {"QT_SCALE_FACTOR": "2"}))


class Image:
    """Pixels of a screenshot, as (r, g, b)."""

    def __init__(self, width, height, bgrx):
        self.width, self.height, self.data = width, height, bgrx

    def pixel(self, x, y):
        offset = (y * self.width + x) * 4
        return self.data[offset + 2], self.data[offset + 1], self.data[offset]

    def save(self, path):
        """Writes a PNG file."""
        rgb = bytearray(self.width * self.height * 3)
        for channel in range(3):
            rgb[channel::3] = self.data[2 - channel::4]
        stride = self.width * 3
        rows = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body)))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as png:
            png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                      + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


class X11Screen:
    """The session's X server, through python3-xlib. Windows are python-xlib
    window objects; d is the connection, for what a test asks beyond this."""

    def __init__(self, session):
        from Xlib import X, display, error
        self.X, self.errors = X, (error.BadWindow, error.BadDrawable, error.BadMatch)
        self.session = session
        self.d = display.Display(session.env["DISPLAY"])
        self.root = self.d.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.PropertyChangeMask)
        self.atoms = {}

    def atom(self, name):
        if name not in self.atoms:
            self.atoms[name] = self.d.intern_atom(name)
        return self.atoms[name]

    def wait(self, condition, what, seconds=DEADLINE_S):
        """Handles X events until condition() gives something true; returns it."""
        end = time.monotonic() + seconds
        while True:
            while self.d.pending_events():
                self.d.next_event()
            result = condition()
            if result:
                return result
            left = end - time.monotonic()
            if left <= 0:
                raise Failure("timed out waiting for " + what)
            if not self.d.pending_events():
                ends = [os.pidfd_open(p.pid) for p in self.session.processes if p.poll() is None]
                try:
                    select.select([self.d] + ends, [], [], min(left, LOOK_AGAIN_S))
                finally:
                    for end_fd in ends:
                        os.close(end_fd)

    def settle(self, seconds):
        """Handles X events for a while."""
        end = time.monotonic() + seconds
        while (left := end - time.monotonic()) > 0:
            select.select([self.d], [], [], left)
            while self.d.pending_events():
                self.d.next_event()

    def prop(self, window, name):
        try:
            value = window.get_full_property(self.atom(name), self.X.AnyPropertyType)
        except self.errors:
            return None
        return value.value if value is not None else None

    def title(self, window):
        name = self.prop(window, "_NET_WM_NAME") or self.prop(window, "WM_NAME") or b""
        return name.decode(errors="replace") if isinstance(name, bytes) else name

    def windows(self, title):
        """The viewable windows with this title, frames or not."""
        found = []

        def walk(window):
            try:
                for child in window.query_tree().children:
                    if (self.title(child) == title
                            and child.get_attributes().map_state == self.X.IsViewable):
                        found.append(child)
                    walk(child)
            except self.errors:
                pass  # gone meanwhile
        walk(self.root)
        return found

    def wait_windows(self, title, count=1, seconds=DEADLINE_S):
        """Waits until exactly count windows have the title; returns them."""
        found = []

        def counted():
            found[:] = self.windows(title)
            return len(found) == count
        self.wait(counted, "%d window(s) %r" % (count, title), seconds)
        return found

    def answer_notice(self, seconds=DEADLINE_S):
        """Answers the window program's start-up notice with Return, and
        returns the program's window once the notice has gone."""
        [notice] = self.wait_windows(NOTICE, 1, seconds)
        self.key("Return", window=notice)
        self.wait_windows(NOTICE, 0)
        return self.wait_windows(WINDOW, 1)[0]

    def window_manager_ready(self):
        return self.prop(self.root, "_NET_SUPPORTING_WM_CHECK") is not None

    def compositor_ready(self):
        return self.d.get_selection_owner(self.atom("_NET_WM_CM_S0")) not in (0, self.X.NONE)

    def geometry(self, window):
        """(x, y, width, height) of the window's inside, on the screen."""
        g = window.get_geometry()
        origin = self.root.translate_coords(window, 0, 0)
        return origin.x, origin.y, g.width, g.height

    def focus(self, window):
        window.set_input_focus(self.X.RevertToParent, self.X.CurrentTime)
        self.d.sync()

    def xdotool(self, *arguments):
        return self.session.run(["xdotool"] + [str(a) for a in arguments], check=True).stdout

    def key(self, *keys, window=None):
        """Keys by their X names (Return, ctrl+c), to the focus or to the
        window given, which is focused first (xdotool's own --window once
        left a key repeating under Xvfb)."""
        if window is not None:
            self.focus(window)
        self.xdotool("key", *keys)

    def type(self, text, delay_ms=50):
        self.xdotool("type", "--delay", delay_ms, text)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", x, y, "click", button)

    def pixel(self, x, y, window=None):
        """(r, g, b) the screen shows, or the window's own content there."""
        image = (window or self.root).get_image(x, y, 1, 1, self.X.ZPixmap, 0xFFFFFFFF)
        return image.data[2], image.data[1], image.data[0]

    def screenshot(self):
        g = self.root.get_geometry()
        image = self.root.get_image(0, 0, g.width, g.height, self.X.ZPixmap, 0xFFFFFFFF)
        return Image(g.width, g.height, image.data)

    def clipboard(self):
        return self.session.run(["xclip", "-o", "-selection", "clipboard"]).stdout
