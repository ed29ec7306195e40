#!/usr/bin/python3
"""The one-window rule with real starts of the window program on an X
server: one window per user and display, whatever the folders and
environment around each start.

    window_starts.py PROGRAM

A start that passes the rule shows the start-up notice and waits for the
user; a start that does not ends with status 0 and shows nothing, so its
end is all there is to wait for. Exit status 77 when a tool is missing.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402

NOTICE, WINDOW = "提示", "MD5Zevrin"
DEADLINE_S = 30
# Folders the program cannot write in; /proc takes no new file, not even
# from root.
NOWHERE = {"XDG_RUNTIME_DIR": "/proc/nonexistent", "TMPDIR": "/proc", "HOME": "/proc"}

# Two starts at the same moment in the same surroundings: one window.
AT_ONCE = [
    ("ordinary", {}, None),
    ("no writable folder, from an unwritable working folder", NOWHERE, "/proc"),
]

# A second start while the first runs with folders of its own. What the
# first's folders go through, the second's surroundings (display: the
# server's name with its number as N), and whether it shows a window.
SECOND = [
    ("XDG_RUNTIME_DIR unset", None, {"XDG_RUNTIME_DIR": None}, "ends"),
    ("XDG_RUNTIME_DIR missing", None, {"XDG_RUNTIME_DIR": "/nonexistent/run"}, "ends"),
    ("XDG_RUNTIME_DIR not writable", None, {"XDG_RUNTIME_DIR": "/proc", "TMPDIR": "/proc"}, "ends"),
    ("another runtime folder", None, {"XDG_RUNTIME_DIR": "other"}, "ends"),
    ("the first's folders emptied", "empty", {}, "ends"),
    ("display :N.0", None, {"DISPLAY": ":N.0"}, "ends"),
    ("display unix:N", None, {"DISPLAY": "unix:N"}, "ends"),
    ("the first killed outright", "kill", {}, "shows"),
    ("another display", None, {"DISPLAY": "other"}, "shows"),
]

# Who else holds this user's name for the display, and what it answers to
# those who ask: the user's window still opens, and of two starts at once
# and a late one, one window still shows. Another user is uid 65534, run
# through setpriv when the test runs as root (as CI does).
OTHER_USER = 65534
IMITATION = "io.github.zevrin.MD5Zevrin instance\n"
SQUATTED = [
    ("another user holds the name", OTHER_USER, ""),
    ("another user answers as a window would", OTHER_USER, IMITATION),
    ("a holder that hangs up at once", None, ""),
]
SQUATTER = r"""
import socket, sys
listener = socket.socket(socket.AF_UNIX)
listener.bind("\0" + sys.argv[1])
listener.listen(8)
print("holding", flush=True)
while True:
    caller, _ = listener.accept()
    try:
        caller.sendall(sys.argv[2].encode())
    except OSError:
        pass  # a caller that has hung up already
    caller.close()
"""
# Another user's program sees nothing of this user's session; with no bus
# address at all, D-Bus would try to launch a bus for it (3 s).
OTHER_USERS_SURROUNDINGS = {"HOME": "/nonexistent", "XDG_RUNTIME_DIR": None, "XDG_CONFIG_HOME": None,
                            "XDG_CACHE_HOME": None, "XDG_DATA_HOME": None,
                            "DBUS_SESSION_BUS_ADDRESS": "disabled:"}


def check(condition, message):
    if not condition:
        raise desktops.Failure(message)


def ended_quietly(desk, process):
    try:
        status = process.wait(DEADLINE_S)
    except subprocess.TimeoutExpired:
        raise desktops.Failure("a start that should end still runs")
    check(status == 0, "a start ended with status %d: %s" % (status, desk.output(process)))


def count(desk, title):
    return len(desk.windows(title))


def two_at_once(desk, program, surroundings, folder):
    starts = [desk.start([program], env=surroundings, cwd=folder) for _ in range(2)]
    desk.wait_windows(NOTICE, 1)
    desk.wait(lambda: sum(p.poll() is None for p in starts) == 1, "one of the two to end")
    [shown] = [p for p in starts if p.poll() is None]
    ended_quietly(desk, next(p for p in starts if p is not shown))
    ended_quietly(desk, desk.start([program], env=surroundings, cwd=folder))
    check((count(desk, NOTICE), count(desk, WINDOW)) == (1, 1),
          "%d notices, %d windows" % (count(desk, NOTICE), count(desk, WINDOW)))
    desk.key("Return", window=desk.windows(NOTICE)[0])
    desk.wait_windows(NOTICE, 0)
    desk.wait_windows(WINDOW, 1)
    check(shown.poll() is None, "the window ended when its notice was answered")


def second_start(desk, other, program, first_folders, surroundings, expected):
    first = desk.start([program], env={
        name: desk.path("first", folder, folder=True)
        for name, folder in (("XDG_RUNTIME_DIR", "run"), ("TMPDIR", "tmp"), ("HOME", "home"))})
    desk.wait_windows(NOTICE, 1)
    if first_folders == "empty":
        shutil.rmtree(desk.path("first"))
    elif first_folders == "kill":
        desk.stop(first, signal.SIGKILL)
        desk.wait_windows(NOTICE, 0)
    env = dict(surroundings)
    if "DISPLAY" in env:
        env["DISPLAY"] = env["DISPLAY"].replace("N", desk.env["DISPLAY"][1:])
    if env.get("XDG_RUNTIME_DIR") == "other":
        env["XDG_RUNTIME_DIR"] = desk.path("other", folder=True)
    shown_on = other if env.get("DISPLAY") == "other" else desk
    env["DISPLAY"] = shown_on.env["DISPLAY"] if shown_on is other else env.get("DISPLAY")
    second = desk.start([program], env={k: v for k, v in env.items() if k != "DISPLAY" or v})
    if expected == "ends":
        ended_quietly(desk, second)
        check(count(desk, NOTICE) == 1, "%d notices" % count(desk, NOTICE))
    else:
        shown_on.wait_windows(NOTICE, 1)
        check(second.poll() is None, "the second start ended")
    check(first.poll() is None or first_folders == "kill", "the first start ended")


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
    two_at_once(desk, program, {}, None)
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


def main():
    program = os.path.abspath(sys.argv[1])
    failures = 0
    # Another user needs a copy of the program in a folder it can enter.
    others_folder = tempfile.TemporaryDirectory(prefix="md5z-program-")
    os.chmod(others_folder.name, 0o755)
    others_program = shutil.copy(program, others_folder.name)
    try:
        with others_folder, desktops.Session("xvfb+dbus") as desk, \
                desktops.Session("xvfb+dbus") as other:
            rows = [(row[0], two_at_once, (desk, program) + row[1:]) for row in AT_ONCE]
            rows += [(row[0], second_start, (desk, other, program) + row[1:]) for row in SECOND]
            rows += [(row[0], squatted, (desk, program) + row[1:]) for row in SQUATTED
                     if row[1] is None or os.geteuid() == 0]
            if os.geteuid() == 0:
                rows.append(("two users on one display", two_users, (desk, program, others_program)))
            else:
                print("skip rows of another user: they need root, to start its processes")
            for name, run, arguments in rows:
                started, began = len(desk.processes), time.monotonic()
                try:
                    run(*arguments)
                    print("ok   %5.2f s %s" % (time.monotonic() - began, name), flush=True)
                except desktops.Failure as failure:
                    failures += 1
                    print("FAIL %s: %s" % (name, failure), flush=True)
                for process in desk.processes[started:]:
                    desk.stop(process, signal.SIGKILL)
                for screen in (desk, other):
                    screen.wait_windows(NOTICE, 0)
    except desktops.Unavailable as missing:
        print("skipped: %s" % missing)
        return 77
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
