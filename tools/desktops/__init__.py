"""Desktops for tests and benchmarks, started by name and ended together.

    with desktops.Session("openbox+xcompmgr", root=(255, 0, 0)) as desk:
        program = desk.start([path])
        [notice] = desk.wait_windows("提示", 1)

A desktop is a row of DESKTOPS: the components it starts, in order. Every
module of this folder is loaded on import and registers its components and
desktops; README.md says how to add one.
"""

import argparse
import ctypes
import importlib
import os
import pkgutil
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid

DEADLINE_S = 30
SKIPPED = 77  # the exit status CTest counts as skipped
# The window program's titles: its start-up notice and its main window.
NOTICE, WINDOW = "提示", "MD5Zevrin"
# What a caller's own environment may carry that would lead a program to
# another desktop, bus or prefix than the session's.
FOREIGN = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
           "AT_SPI_BUS_ADDRESS", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "WINEPREFIX",
           "MD5ZEVRIN_TEST_DISMISS_BOXES")
# Every process of a session carries this in its environment, so that the
# end finds those that left their process group (daemons, activated services).
MARK = "MD5Z_DESKTOP_SESSION"
# The caller adopts the orphans of its sessions (prctl PR_SET_CHILD_SUBREAPER),
# so that it can reap what it kills instead of leaving zombies behind.
PR_SET_CHILD_SUBREAPER = 36

COMPONENTS = {}  # name -> (start function, tools it needs)
DESKTOPS = {}  # name -> [(component, options)]


class Unavailable(Exception):
    """A tool the desktop needs is not installed: the caller skips."""


class Failure(Exception):
    """A component did not come up, or a wait ran out."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def poll(condition, what, seconds=DEADLINE_S):
    """Asks condition() every 50 ms until it gives something true, and
    returns it; where no events tell of a change."""
    end = time.monotonic() + seconds
    while not (result := condition()):
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)
    return result


def blended(color, background, alpha):
    """What a compositor shows of color at alpha (0-255) over background."""
    return tuple(round((c * alpha + b * (255 - alpha)) / 255) for c, b in zip(color, background))


def run_test(test, *options):
    """Exits with the outcome of test(arguments), whose arguments are --program,
    the --OPTIONs named and any rows: 0 when it returns no failures, 1 when
    it returns some or raises Failure, SKIPPED when a tool is missing."""
    parser = argparse.ArgumentParser()
    for name in ("program",) + options:
        parser.add_argument("--" + name)
    parser.add_argument("rows", nargs="*")
    try:
        failures = test(parser.parse_args())
    except Unavailable as missing:
        print("skipped: %s" % missing)
        sys.exit(SKIPPED)
    except Failure as failure:
        print("FAIL: %s" % failure)
        failures = 1
    sys.exit(1 if failures else 0)


def play(rows, *arguments):
    """Plays each row (name, function) as function(*arguments), printing it
    ok with its seconds or FAIL with the Failure; returns how many failed."""
    failures = 0
    for name, function in rows:
        began = time.monotonic()
        try:
            function(*arguments)
            print("ok   %5.2f s %s" % (time.monotonic() - began, name), flush=True)
        except Failure as failure:
            failures += 1
            print("FAIL %s: %s" % (name, failure), flush=True)
    return failures


def component(name, tools=()):
    """Registers start(session, **options) as a component."""
    def register(start):
        COMPONENTS[name] = (start, tuple(tools))
        return start
    return register


def desktop(name, *parts):
    """Registers a desktop: component names, or (name, {option: value})."""
    DESKTOPS[name] = [(part, {}) if isinstance(part, str) else part for part in parts]


def read_line(descriptor):
    """The line a server writes once it is ready, then the pipe is closed.
    Xvfb writes its number and the line's end apart."""
    line, end = b"", time.monotonic() + DEADLINE_S
    while not line.endswith(b"\n"):
        ready, _, _ = select.select([descriptor], [], [], max(0, end - time.monotonic()))
        chunk = os.read(descriptor, 64) if ready else b""
        if not chunk:
            break
        line += chunk
    os.close(descriptor)
    return line.decode().strip()


@component("env")
def environment(session, **variables):
    session.env.update(variables)


desktop("none")  # a private folder and an environment without any desktop


class Session:
    """A named desktop in a private folder (HOME, XDG folders, logs).

    env is the environment for programs. screen, set by the component that
    shows windows, answers wait_windows, key, type, click, pixel, screenshot
    and clipboard; the session passes those names on to it.
    """

    def __init__(self, name, **options):
        self.name, self.options = name, options
        self.parts = DESKTOPS[name]
        missing = sorted({tool for part, _ in self.parts for tool in COMPONENTS[part][1]
                          if shutil.which(tool) is None})
        if missing:
            raise Unavailable("not installed: " + " ".join(missing))
        ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
        self.folder = tempfile.mkdtemp(prefix="md5z-desktop-")
        self.mark = uuid.uuid4().hex
        self.processes, self.closers, self.screen = [], [], None
        self.env = {k: v for k, v in os.environ.items() if k not in FOREIGN}
        self.env.update({MARK: self.mark, "HOME": self.folder})
        for variable, folder in (("XDG_RUNTIME_DIR", "run"), ("XDG_CONFIG_HOME", "config"),
                                 ("XDG_CACHE_HOME", "cache"), ("XDG_DATA_HOME", "data")):
            self.env[variable] = self.path(folder, folder=True)

    def __enter__(self):
        try:
            for part, options in self.parts:
                COMPONENTS[part][0](self, **options)
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *failure):
        self.close()

    def __getattr__(self, name):
        if name.startswith("_") or self.__dict__.get("screen") is None:
            raise AttributeError(name)
        return getattr(self.screen, name)

    def wait(self, condition, what, seconds=DEADLINE_S):
        """Waits until condition() gives something true, and returns it: on
        the screen's events where there is a screen."""
        if self.screen is not None:
            return self.screen.wait(condition, what, seconds)
        return poll(condition, what, seconds)

    def path(self, *names, folder=False):
        """A path in the session's folder; folder=True makes it (mode 0700)."""
        path = os.path.join(self.folder, *names)
        if folder:
            os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def spawn(self, command, env=None, log=None, **popen):
        """Starts a process of the desktop in a process group of its own,
        its output in the log file named log (default: the program's name)."""
        name = log or os.path.basename(command[0])
        with open(self.path(name + ".log"), "ab") as output:
            process = subprocess.Popen(command, env=self.environment(env),
                                       stdin=subprocess.DEVNULL, stdout=output,
                                       stderr=subprocess.STDOUT, start_new_session=True, **popen)
        process.log = self.path(name + ".log")
        self.processes.append(process)
        return process

    def environment(self, changes=None):
        """env with changes; a change to None removes the variable."""
        merged = dict(self.env, **(changes or {}))
        return {name: value for name, value in merged.items() if value is not None}

    def start(self, command, env=None, **popen):
        """A program under test: spawn() with its own log, read by output()."""
        return self.spawn(command, env, log="program-%d" % len(self.processes), **popen)

    @staticmethod
    def output(process):
        with open(process.log, errors="replace") as log:
            return log.read()

    def run(self, command, env=None, **options):
        """Runs a tool of the desktop to its end; its output is returned."""
        options.setdefault("timeout", DEADLINE_S)
        return subprocess.run(command, env=self.environment(env), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, **options)

    def stop(self, process, sig=signal.SIGTERM):
        """Ends a process and its group: sig, then SIGKILL after a while."""
        if process.poll() is None:
            try:
                os.killpg(process.pid, sig)
                process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
            except ProcessLookupError:
                process.wait()
        return process.returncode

    def close(self):
        for closer in reversed(self.closers):
            closer()
        for process in reversed(self.processes):
            self.stop(process)
        self._end_marked()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _end_marked(self):
        """Kills what is left of the session outside its process groups."""
        mark = ("%s=%s" % (MARK, self.mark)).encode()
        for _ in range(3):
            left = []
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    with open("/proc/%s/environ" % pid, "rb") as environ:
                        if mark in environ.read().split(b"\0"):
                            left.append(int(pid))
                except OSError:
                    continue
            left = [pid for pid in left if pid != os.getpid()]
            if not left:
                return
            for pid in left:
                try:
                    os.kill(pid, signal.SIGKILL)
                    os.waitpid(pid, 0)
                except (ProcessLookupError, ChildProcessError):
                    pass
            time.sleep(0.05)

    def log(self):
        """Every log of the session, for a failure's report."""
        text = ""
        for name in sorted(os.listdir(self.folder)):
            if name.endswith(".log"):
                with open(self.path(name), errors="replace") as log:
                    text += "--- %s\n%s" % (name, log.read())
        return text


for _module in pkgutil.iter_modules(__path__):
    if not _module.name.startswith("_"):
        importlib.import_module(__name__ + "." + _module.name)
