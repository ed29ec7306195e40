"""What the Wayland compositors of this folder share: an unprivileged user
for those that refuse root, the Xwayland server they start, and a screen
that reads pixels and sends keys through the compositor's own channels."""

import os
import sys
import time

from . import DEADLINE_S, MARK, Failure, poll
from .x11 import X11Screen

# Compositors that refuse to run as root (sway) run as this user; the
# session's folder is opened for it to pass through, its runtime folder is
# handed to it.
UNPRIVILEGED = 65534


def isolate():
    """Runs the calling script again in a mount and network namespace of its
    own with a private /tmp, where the caller is root. Compositors take the
    lowest X display number whose socket looks free, and servers of other
    namespaces leave sockets that look taken or answer for another server:
    alone, each session's Xwayland is :0."""
    if os.geteuid() != 0 or os.environ.get("MD5Z_ISOLATED"):
        return
    os.environ["MD5Z_ISOLATED"] = "1"
    script = ('mount -t tmpfs -o mode=1777 tmpfs /tmp && mkdir -m 1777 /tmp/.X11-unix'
              ' && exec "$@"')
    os.execvp("unshare", ["unshare", "--mount", "--net", "--", "sh", "-c", script, "sh",
                          sys.executable] + sys.argv)


def as_unprivileged(session, command):
    """command as the unprivileged user where the caller is root."""
    if os.geteuid() != 0:
        return command
    os.chmod(session.folder, 0o711)
    os.chown(session.env["XDG_RUNTIME_DIR"], UNPRIVILEGED, UNPRIVILEGED)
    home = session.path("compositor-home", folder=True)
    os.chown(home, UNPRIVILEGED, UNPRIVILEGED)
    return ["setpriv", "--reuid=%d" % UNPRIVILEGED, "--regid=%d" % UNPRIVILEGED,
            "--clear-groups", "env", "HOME=" + home] + command


def _xwayland_of(session):
    """The command lines of the Xwayland servers of the session: they carry
    its mark in their environment (wlroots starts Xwayland detached)."""
    mark = ("%s=%s" % (MARK, session.mark)).encode()
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                words = cmdline.read().decode(errors="replace").split("\0")
            if os.path.basename(words[0]) != "Xwayland":
                continue
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if mark in environ.read().split(b"\0"):
                    yield words
        except OSError:
            continue


OPEN_ACCESS = ("from Xlib import X, display; d = display.Display(); "
               "d.set_access_control(X.DisableAccess); d.sync()")


def xwayland_display(session, compositor):
    """The display of the Xwayland the compositor started, once an X client
    can connect to it. Xwayland lets in only its own user, or the holders
    of its cookie: it is opened to every program of the session (whose
    network namespace is private where it runs as root).""" 
    end = time.monotonic() + DEADLINE_S
    while time.monotonic() < end and compositor.poll() is None:
        for words in _xwayland_of(session):
            number = next((w for w in words[1:] if w.startswith(":")), None)
            if number and os.path.exists("/tmp/.X11-unix/X" + number[1:]):
                user = compositor.args[:compositor.args.index("env")] if (
                    compositor.args[0] == "setpriv") else []
                auth = words[words.index("-auth") + 1] if "-auth" in words else None
                session.run(user + ["/usr/bin/python3", "-c", OPEN_ACCESS],
                            env={"DISPLAY": number, "XAUTHORITY": auth}, check=True)
                return number
        time.sleep(0.05)
    raise Failure("no Xwayland came up:\n" + session.output(compositor))


class CompositorScreen:
    """A Wayland compositor's output and input. Subclasses give screenshot()
    and key(); x11 is the screen of its Xwayland, for X windows."""

    def __init__(self, session):
        self.session = session
        self.x11 = X11Screen(session) if "DISPLAY" in session.env else None

    def wait(self, condition, what, seconds=DEADLINE_S):
        return poll(condition, what, seconds)

    def windows(self, title):
        return self.x11.windows(title) if self.x11 else []

    def wait_windows(self, title, count=1, seconds=DEADLINE_S):
        return self.x11.wait_windows(title, count, seconds)

    def pixel(self, x, y, window=None):
        if window is not None:
            return self.x11.pixel(x, y, window)
        return self.screenshot().pixel(x, y)
