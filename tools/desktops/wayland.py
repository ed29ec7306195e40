"""weston: headless, or as a window of the session's X server, where xdotool's
keys and clicks reach its clients and the X screen shows what it draws."""

import socket

from . import DEADLINE_S, Failure, component, desktop

# The output's colour where no window is, for a test that reads pixels.
BACKGROUND = 0xFF204060
BACKGROUND_RGB = (0x20, 0x40, 0x60)


@component("weston", tools=["weston"])
def weston(session, backend="headless"):
    """Waits for weston's own word that it is ready (its systemd-notify
    module). Clients get WAYLAND_DISPLAY; DISPLAY stays as it is."""
    # The socket lives in the session's runtime folder, but its name must be
    # unique on the machine too: the window's one-instance rule goes by it.
    socket_name = "md5z-wayland-" + session.mark[:12]
    config = session.path("weston.ini")
    with open(config, "w") as ini:
        ini.write("[core]\nidle-time=0\n[shell]\nbackground-color=0x%08x\npanel-position=none\n"
                  "startup-animation=none\nanimation=none\nclose-animation=none\n" % BACKGROUND)
    notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    notify.bind(session.path("notify"))
    notify.settimeout(DEADLINE_S)
    command = ["weston", "--backend=%s-backend.so" % backend, "--use-pixman",
               "--socket=" + socket_name, "--width=1024", "--height=768", "--config=" + config,
               "--modules=systemd-notify.so"]
    process = session.spawn(command, env={"NOTIFY_SOCKET": session.path("notify")})
    try:
        while b"READY=1" not in notify.recv(4096):
            pass
    except socket.timeout:
        raise Failure("weston did not report ready:\n" + session.output(process))
    finally:
        notify.close()
    session.env["WAYLAND_DISPLAY"] = socket_name
    if backend == "x11":
        _wait_for_pointer_in_step(session.screen)
    if "ASAN_OPTIONS" in session.env:
        # Mesa's EGL driver, which Qt's Wayland plugin loads, has no frame
        # pointers: the fast unwinder stops inside it, and the leak
        # suppression for its memory would not see its name.
        session.env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"


def _wait_for_pointer_in_step(screen):
    """Waits until weston's first frame shows, with its pointer where X's is.

    weston turns the EnterNotify its window gets when mapped under X's
    pointer into the position of its own pointer, through the output's
    transformation, which its first repaint sets up. An EnterNotify
    handled before that repaint gives a position of NaN: weston's pointer
    then sits in the output's top-left corner, and every later motion,
    relative to the last one, leaves it off by X's first position, so
    xdotool's clicks land elsewhere. Once a frame shows, taking and
    releasing the pointer sends weston an EnterNotify it can use."""
    def background(x, y):
        return screen.pixel(x, y) == BACKGROUND_RGB

    corners = [(0, 0), (1023, 0), (0, 767), (1023, 767)]
    screen.wait(lambda: any(background(x, y) for x, y in corners), "weston's first frame")
    X = screen.X
    if screen.root.grab_pointer(False, 0, X.GrabModeAsync, X.GrabModeAsync, X.NONE, X.NONE,
                                X.CurrentTime) != X.GrabSuccess:
        raise Failure("could not take the pointer to hand it back to weston")
    screen.d.ungrab_pointer(X.CurrentTime)
    screen.d.sync()
    # X's pointer starts in the middle of a new screen: weston's is drawn
    # there too once it follows, and the background fills the corners.
    screen.wait(lambda: all(background(x, y) for x, y in corners),
                "weston's background on the screen, its pointer where X's is")


desktop("weston-headless", "weston")
desktop("weston", "xvfb", ("weston", {"backend": "x11"}))
