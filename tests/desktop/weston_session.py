#!/usr/bin/env python3
"""Runs a command as a native Wayland client of its own weston.

weston's headless back end starts in a private runtime folder with a socket
of its own, so runs at the same time never meet. weston tells when it is
ready through the service manager's notification protocol (its
systemd-notify module): the script waits for that message, not for a time.
The command gets WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland and must end
with status 0 and write no warning (no line from Qt's message handler).
Exit status 77 when weston is not installed, for CTest's SKIP.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile

READY_DEADLINE_S = 60
RUN_DEADLINE_S = 120
SKIP = 77
# What Qt's plugins say when something goes wrong on Wayland.
WARNING_MARKS = ("Wayland", "wayland", "opacity", "QWARN", "Warning", "warning")


def start_weston(runtime, socket_name):
    notify_path = os.path.join(runtime, "notify")
    notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    notify.bind(notify_path)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, NOTIFY_SOCKET=notify_path)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    weston = subprocess.Popen(
        ["weston", "--backend=headless-backend.so", "--use-pixman", "--socket=" + socket_name,
         "--width=1024", "--height=768", "--idle-time=0", "--modules=systemd-notify.so",
         "--log=" + os.path.join(runtime, "weston.log")],
        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    notify.settimeout(READY_DEADLINE_S)
    try:
        while b"READY=1" not in notify.recv(4096):
            pass
    except socket.timeout:
        weston.kill()
        sys.exit("weston did not report ready within %d s" % READY_DEADLINE_S)
    finally:
        notify.close()
    return weston


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: weston_session.py COMMAND [ARG...]")
    if shutil.which("weston") is None:
        print("weston is not installed")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="md5z-weston-") as runtime:
        os.chmod(runtime, 0o700)
        socket_name = "md5z-wayland"
        weston = start_weston(runtime, socket_name)
        try:
            env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=socket_name,
                       QT_QPA_PLATFORM="wayland")
            env.pop("DISPLAY", None)
            if "ASAN_OPTIONS" in env:
                # Mesa's EGL driver, which Qt's Wayland plugin loads, has no
                # frame pointers: the fast unwinder stops inside it, and the
                # leak suppression for its memory would not see its name.
                env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"
            run = subprocess.run(sys.argv[1:], env=env, capture_output=True, text=True,
                                 timeout=RUN_DEADLINE_S)
        finally:
            weston.terminate()
            weston.wait()
        sys.stdout.write(run.stdout)
        sys.stderr.write(run.stderr)
        if run.returncode != 0:
            print("FAIL: exit status %d" % run.returncode)
            return 1
        warnings = [line for line in run.stderr.splitlines()
                    if any(mark in line for mark in WARNING_MARKS)]
        if warnings:
            print("FAIL: warnings on standard error:\n" + "\n".join(warnings))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
