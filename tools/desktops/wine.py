"""Wine sessions: a prefix made ready once for the Windows program, and its
server kept for the session, drawing on the session's X server or with
Wine's null graphics driver (windows, edit boxes, timers and the clipboard
work without one)."""

import fcntl
import os
import subprocess

from . import component, desktop

HERE = os.path.dirname(os.path.abspath(__file__))
# Debian keeps Wine's programs in its library folder.
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"


def _quietly(session, command):
    # Wine's background processes inherit whatever output they are started
    # with; a test runner reading that pipe would wait for them for ever.
    subprocess.run(command, env=session.env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _make_prefix(session, prefix):
    os.makedirs(prefix, exist_ok=True)
    _quietly(session, [WINE, "wineboot", "--init"])
    # The window names its fonts 宋体 and 微软雅黑; Wine has neither and
    # would draw Chinese as boxes. The Debian fonts that stand in for them on
    # Linux stand in here too. Test set-up only: Windows has the real fonts.
    replacements = os.path.join(HERE, "wine-fonts.reg")
    _quietly(session, [WINE, "regedit", "/S", "Z:" + replacements.replace("/", "\\")])
    # The title bar's buttons are drawn with Marlett.
    listed = subprocess.run(["dpkg", "-L", "fonts-wine"], capture_output=True, text=True).stdout
    for path in listed.split():
        if path.lower().endswith("/marlett.ttf"):
            _quietly(session, ["cp", path, os.path.join(prefix, "drive_c/windows/Fonts/")])
    open(os.path.join(prefix, ".md5z-ready"), "w").close()


@component("wine", tools=[WINE, WINESERVER])
def wine(session):
    """Session options: wine_prefix, the prefix folder (default: one in the
    session's folder; a session holds its prefix alone, another waits);
    wine_dpi, the screen's dots per inch (default 96)."""
    prefix = os.path.realpath(session.options.get("wine_prefix") or session.path("wineprefix"))
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    lock = open(prefix + ".lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    session.env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    session.closers.append(lambda: (_quietly(session, [WINESERVER, "-k"]), lock.close()))
    if not os.path.exists(os.path.join(prefix, ".md5z-ready")):
        _make_prefix(session, prefix)
    graphics = "x11" if "DISPLAY" in session.env else "null"
    _quietly(session, [WINE, "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics",
                       "/d", graphics, "/f"])
    # The screen's DPI as Windows reports it to every process that starts
    # from now on: Wine 8 reads it from here (and nowhere else) at a process's
    # start. Every session sets it, so a prefix never keeps another's.
    dpi = str(session.options.get("wine_dpi", 96))
    _quietly(session, [WINE, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                       "/t", "REG_DWORD", "/d", dpi, "/f"])
    # The desktop takes its graphics driver when the server starts it: start
    # afresh, and keep the server for the session.
    _quietly(session, [WINESERVER, "-k"])
    _quietly(session, [WINESERVER, "-w"])
    session.spawn([WINESERVER, "-p", "-f"])
    _quietly(session, [WINE, "wineboot"])
    session.env["WINE"] = WINE


desktop("wine-null", "wine")
# Without a window manager Wine waits about 2 s on every window it hides.
desktop("wine-openbox+xcompmgr", "xvfb", "openbox", "xcompmgr", "wine")
