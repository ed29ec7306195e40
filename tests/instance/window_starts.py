#!/usr/bin/python3
"""The one-window rule with real starts of the window program on X: one
window per user and display, whatever the environment. A start the rule
lets through shows the notice; one it stops ends with 0, unseen.

    window_starts.py --program PATH
"""

import os
import shutil
import signal
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import NOTICE, WINDOW, check  # noqa: E402

# A second start while the first runs: whether the first was killed, the
# second's surroundings ({mine}: the first's display, {other}: another's)
# and whether it shows a window. /proc takes no new file, not even from root.
SECOND = [
    ("no writable folder", False, {"XDG_RUNTIME_DIR": "/proc/none", "TMPDIR": "/proc",
                                   "HOME": "/proc"}, "ends"),
    ("display :N.0", False, {"DISPLAY": "{mine}.0"}, "ends"),
    ("display unix:N", False, {"DISPLAY": "unix{mine}"}, "ends"),
    ("the first killed outright", True, {}, "shows"),
    ("another display", False, {"DISPLAY": "{other}"}, "shows"),
]
# Who else holds this user's name for the display, and what it answers:
# two starts at once and a late one still give one window. Another user is
# uid 65534 through setpriv, which needs root (as in CI).
OTHER_USER = 65534
SQUATTED = [
    ("another user holds the name", OTHER_USER, ""),
    ("another user answers as a window would", OTHER_USER, "io.github.zevrin.MD5Zevrin instance\n"),
    ("a holder that hangs up at once", None, ""),
]
SQUATTER = r"""
import contextlib, socket, sys
listener = socket.socket(socket.AF_UNIX)
listener.bind("\0" + sys.argv[1])
listener.listen(8)
print("holding", flush=True)
while True:
    with listener.accept()[0] as caller, contextlib.suppress(OSError):  # one that hung up
        caller.sendall(sys.argv[2].encode())
"""
# Another user's program sees nothing of this user's session; with no bus
# address at all, D-Bus would try to launch a bus for it (3 s).
OTHER_USERS_SURROUNDINGS = {"HOME": "/nonexistent", "XDG_RUNTIME_DIR": None, "XDG_CONFIG_HOME": None,
                            "XDG_CACHE_HOME": None, "XDG_DATA_HOME": None,
                            "DBUS_SESSION_BUS_ADDRESS": "disabled:"}


def ended_quietly(desk, process):
    desk.wait(lambda: process.poll() is not None, "a start that should end to end")
    check(process.returncode == 0, "a start ended with status %d: %s"
          % (process.returncode, desk.output(process)))


def count(desk, title):
    return len(desk.windows(title))


def two_at_once(desk, program):
    starts = [desk.start([program]) for _ in range(2)]
    desk.wait_windows(NOTICE, 1)
    desk.wait(lambda: sum(p.poll() is None for p in starts) == 1, "one of the two to end")
    [shown] = [p for p in starts if p.poll() is None]
    ended_quietly(desk, next(p for p in starts if p is not shown))
    ended_quietly(desk, desk.start([program]))
    check((count(desk, NOTICE), count(desk, WINDOW)) == (1, 1),
          "%d notices, %d windows" % (count(desk, NOTICE), count(desk, WINDOW)))
    desk.answer_notice()
    check(shown.poll() is None, "the window ended when its notice was answered")


def second_start(desk, other, program, kill_first, surroundings, expected):
    first = desk.start([program])
    desk.wait_windows(NOTICE, 1)
    if kill_first:
        desk.stop(first, signal.SIGKILL)
        desk.wait_windows(NOTICE, 0)
    env = {name: value.format(mine=desk.env["DISPLAY"], other=other.env["DISPLAY"])
           for name, value in surroundings.items()}
    second = desk.start([program], env=env)
    if expected == "ends":
        ended_quietly(desk, second)
        check(count(desk, NOTICE) == 1, "%d notices" % count(desk, NOTICE))
    else:
        (other if env.get("DISPLAY") == other.env["DISPLAY"] else desk).wait_windows(NOTICE, 1)
        check(second.poll() is None, "the second start ended")
    check(first.poll() is None or kill_first, "the first start ended")


def as_user(uid, command):
    if uid is None:
        return command
    return ["setpriv", "--reuid=%d" % uid, "--regid=%d" % uid, "--clear-groups"] + command


def squatted(desk, program, uid, answer):
    name = "io.github.zevrin.MD5Zevrin/%d/x11/%s" % (os.getuid(), desk.env["DISPLAY"])
    holder = desk.start(as_user(uid, [sys.executable, "-c", SQUATTER, name, answer]),
                        env=OTHER_USERS_SURROUNDINGS if uid else None)
    desk.wait(lambda: "holding" in desk.output(holder) or holder.poll() is not None, "the holder")
    check(holder.poll() is None, "the holder could not bind the name: " + desk.output(holder))
    two_at_once(desk, program)
    check(holder.poll() is None, "the holder ended: " + desk.output(holder))


def two_users(desk, program, others_program):
    """Each user on one display gets a window, and each one only."""
    mine = desk.start([program])
    desk.wait_windows(NOTICE, 1)
    theirs = desk.start(as_user(OTHER_USER, [others_program]), env=OTHER_USERS_SURROUNDINGS)
    desk.wait_windows(NOTICE, 2)
    ended_quietly(desk, desk.start(as_user(OTHER_USER, [others_program]),
                                   env=OTHER_USERS_SURROUNDINGS))
    ended_quietly(desk, desk.start([program]))
    check(count(desk, NOTICE) == 2, "%d notices" % count(desk, NOTICE))
    check(mine.poll() is None and theirs.poll() is None, "a window ended")


def main(args):
    root = os.geteuid() == 0
    # Another user needs a copy of the program in a folder it can enter.
    with tempfile.TemporaryDirectory(prefix="md5z-program-") as folder, \
            desktops.Session("xvfb+dbus") as desk, desktops.Session("xvfb+dbus") as other:
        os.chmod(folder, 0o755)
        others_program = shutil.copy(args.program, folder)

        def row(play, *arguments):
            def played():
                started = len(desk.processes)
                try:
                    play(*arguments)
                finally:
                    for process in desk.processes[started:]:
                        desk.stop(process, signal.SIGKILL)
                    for screen in (desk, other):
                        screen.wait_windows(NOTICE, 0)
            return played
        rows = [("two at once", row(two_at_once, desk, args.program))]
        rows += [(name, row(second_start, desk, other, args.program, *rest))
                 for name, *rest in SECOND]
        rows += [(name, row(squatted, desk, args.program, uid, answer))
                 for name, uid, answer in SQUATTED if uid is None or root]
        if root:
            rows.append(("two users on one display", row(two_users, desk, args.program,
                                                         others_program)))
        else:
            print("skip rows of another user: they need root, to start its processes")
        return desktops.play(rows)


if __name__ == "__main__":
    desktops.run_test(main)
