"""A D-Bus session bus of the session's own, and the accessibility bus on it."""

import os

from . import Failure, component, desktop, read_line


@component("dbus", tools=["dbus-daemon"])
def session_bus(session):
    read_end, write_end = os.pipe()
    session.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                   "--address=unix:path=" + session.path("run", "bus"),
                   "--print-address=%d" % write_end], pass_fds=(write_end,))
    os.close(write_end)
    address = read_line(read_end)
    if not address:
        raise Failure("dbus-daemon did not start")
    session.env["DBUS_SESSION_BUS_ADDRESS"] = address


@component("a11y", tools=["gdbus", "/usr/libexec/at-spi-bus-launcher"])
def accessibility_bus(session):
    """at-spi's bus launcher in the session, not activated by the bus, so
    that it ends with the session; Qt programs always report to it."""
    session.spawn(["/usr/libexec/at-spi-bus-launcher"])
    if session.run(["gdbus", "wait", "--session", "--timeout", "30", "org.a11y.Bus"]).returncode:
        raise Failure("the accessibility bus did not start")
    session.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"


desktop("openbox+a11y", "xvfb", "openbox", "dbus", "a11y")
desktop("xvfb+dbus", "xvfb", "dbus")
desktop("xvfb+a11y", "xvfb", "dbus", "a11y")
