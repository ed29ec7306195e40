#!/usr/bin/python3
"""Start-up time, peak memory and idle cost of the window program.

The program and Debian's gtkhash are started in turns, the order swapping
from round to round:

  start-up time   from launch to the first top-level window being mapped
                  (md5zevrin's main window or its start-up notice, whichever
                  comes first), taken from the MapNotify events that `xev`
                  reports on the root window; nothing polls, so neither
                  program shares its CPU with a watcher;
  peak memory     VmHWM of /proc/PID/status, read once the window has been
                  up for half a second, just before the program is ended.

Every round starts both programs on one X server (Xvfb) that has already
seen one uncounted start of each, as on a desktop that has been running a
while: the warm figures. The first GTK program on an X server probes OpenGL
(Mesa loads its LLVM back end, about 55 MB more resident memory) and leaves
the result on the root window for every later GTK program. With
--fresh-server every round also starts both programs on X servers of their
own, each the first client of its server, so that every gtkhash start pays
that probe, as when gtkhash's reference figures were taken.

Then md5zevrin is started once more on the warm server, its notice is
dismissed with the Return key, its proportional set size is read from
/proc/PID/smaps_rollup, and the CPU time it uses while its window sits
untouched is read from /proc/PID/stat (utime + stime).

The last lines are the figures, NAME VALUE: startup-ratio and rss-ratio
(medians of the per-round ratios md5zevrin / gtkhash; on fresh servers with
--fresh-server, else on the warm one), idle-cpu-percent (of one core),
startup-ratio-warm and rss-ratio-warm (the same ratios on the warm server)
and pss-mib (md5zevrin's proportional set size once the notice is gone).
"""

import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tools"))
import desktops  # noqa: E402

DEFAULT_PROGRAM = os.path.join(REPO, "build-bench", "src", "app", "md5zevrin")
REFERENCE = "gtkhash"
NOTICE_TITLE = "提示"
WINDOW_TITLE = "MD5Zevrin"

SCREEN = "1280x1024x24"
MAP_TIMEOUT = 20.0  # seconds a program may take to show its first window
WINDOW_UP = 0.5  # seconds a window stays up before memory is read
IDLE_SETTLE = 1.0  # seconds between the main window's mapping and the idle count
EXIT_TIMEOUT = 5.0


class Failure(Exception):
    pass


class MapWatcher:
    """The top-level windows mapped on the display, as xev reports them."""

    def __init__(self, env):
        self.process = subprocess.Popen(
            ["xev", "-root", "-event", "substructure"],
            env=env,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
        )
        self.fd = self.process.stdout.fileno()
        self.pending = b""
        self.maps = []  # (time read, window id) of managed top-level windows
        # xev prints nothing until something happens; give it time to
        # select its events before anything is started.
        time.sleep(0.3)

    def _read(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], max(timeout, 0))
        if not ready:
            return
        now = time.monotonic()
        chunk = os.read(self.fd, 65536)
        if not chunk:
            raise Failure("xev ended")
        # xev writes and flushes one event at a time, each starting with an
        # empty line; only a map event cut off by the read has to wait for
        # the rest, every other event is skipped.
        self.pending += chunk
        events = self.pending.split(b"\n\n")
        self.pending = b""
        for index, event in enumerate(events):
            text = event.decode(errors="replace").strip()
            if text.startswith("MapNotify"):
                if "override" not in text:
                    self.pending = b"\n\n".join(events[index:])
                    break
                if "override NO" in text:
                    self.maps.append((now, self._window_of(text)))

    @staticmethod
    def _window_of(text):
        # The first "window" field is the root that reports the event.
        fields = text.replace(",", " ").split()
        return fields[len(fields) - fields[::-1].index("window")]

    def drain(self):
        while select.select([self.fd], [], [], 0)[0]:
            self._read(0)
        self.maps.clear()

    def wait_for_map(self, count, process, deadline):
        """Time at which the count-th window since the last drain was mapped."""
        while len(self.maps) < count:
            if process.poll() is not None:
                raise Failure(f"{process.args[0]} ended with status {process.returncode}")
            if time.monotonic() > deadline:
                raise Failure(f"{process.args[0]} showed no window in time")
            self._read(min(0.05, deadline - time.monotonic()))
        return self.maps[count - 1][0]

    def close(self):
        self.process.terminate()
        self.process.wait()


def peak_resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise Failure(f"no VmHWM for process {pid}")


def memory_rollup_kib(pid):
    """The fields of /proc/PID/smaps_rollup that count kB, by name."""
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            name, _, rest = line.partition(":")
            value = rest.split()
            if len(value) == 2 and value[1] == "kB":
                fields[name] = int(value[0])
    return fields


def cpu_ticks(pid):
    """utime + stime of the whole process, in clock ticks."""
    with open(f"/proc/{pid}/stat") as stat:
        text = stat.read()
    fields = text[text.rindex(")") + 2 :].split()
    return int(fields[11]) + int(fields[12])  # fields 14 and 15 of the line


def cpu_nanoseconds(pid):
    """Time on a CPU of all the process's threads, from the scheduler."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
                total += int(schedstat.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def end(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def measure_start(command, env, watcher):
    """(seconds to the first window, peak resident KiB) of one start."""
    watcher.drain()
    started = time.monotonic()
    process = subprocess.Popen(
        command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
    )
    try:
        mapped = watcher.wait_for_map(1, process, started + MAP_TIMEOUT)
        time.sleep(WINDOW_UP)
        if process.poll() is not None:
            raise Failure(f"{command[0]} ended while its window was up")
        peak = peak_resident_kib(process.pid)
    finally:
        end(process)
    return mapped - started, peak


def dismiss_notice(desk, process):
    """Presses Return on the start-up notice, which is modal and holds the
    focus, and waits until it is gone and the main window is up."""
    try:
        desk.wait(lambda: process.poll() is not None or desk.windows(NOTICE_TITLE),
                  "the start-up notice", MAP_TIMEOUT)
        if process.poll() is None:
            desk.key("Return")
            desk.wait(lambda: process.poll() is not None or (
                not desk.windows(NOTICE_TITLE) and desk.windows(WINDOW_TITLE)),
                "the notice to go", MAP_TIMEOUT)
    except desktops.Failure as failure:
        raise Failure(str(failure))
    if process.poll() is not None:
        raise Failure("md5zevrin ended before its notice was dismissed")


def measure_idle(program, desk, env, watcher, seconds):
    """Percent of one core used while the window sits untouched, by ticks
    of /proc/PID/stat, and the same from the scheduler's nanoseconds; and
    the memory rollup of the settled window, before the count."""
    watcher.drain()
    started = time.monotonic()
    process = subprocess.Popen(
        [program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
    )
    try:
        watcher.wait_for_map(1, process, started + MAP_TIMEOUT)
        dismiss_notice(desk, process)
        time.sleep(IDLE_SETTLE)
        rollup = memory_rollup_kib(process.pid)
        ticks_before, ns_before = cpu_ticks(process.pid), cpu_nanoseconds(process.pid)
        time.sleep(seconds)
        ticks_after, ns_after = cpu_ticks(process.pid), cpu_nanoseconds(process.pid)
        if process.poll() is not None:
            raise Failure("md5zevrin ended while idle")
    finally:
        end(process)
    ticks_per_second = os.sysconf("SC_CLK_TCK")
    by_ticks = 100.0 * (ticks_after - ticks_before) / ticks_per_second / seconds
    by_scheduler = 100.0 * (ns_after - ns_before) / 1e9 / seconds
    return by_ticks, by_scheduler, rollup


def clean_environment(desk):
    """The same small environment for both programs: no desktop session,
    no session bus, the desktop's scratch home."""
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8"}
    for name in ("DISPLAY", "HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
        env[name] = desk.env[name]
    return env


class Display:
    """An X server of our own (tools/desktops) with its map watcher and the
    environment the programs are started in."""

    def __init__(self):
        self.desk = desktops.Session("xvfb", size=SCREEN).__enter__()
        try:
            self.env = clean_environment(self.desk)
            self.watcher = MapWatcher(self.env)
        except BaseException:
            self.desk.close()
            raise

    def close(self):
        self.watcher.close()
        self.desk.close()


def ratios(results):
    """Medians of the per-round ratios md5zevrin / gtkhash: (start-up, memory)."""
    ours, theirs = results["md5zevrin"], results[REFERENCE]
    startup = statistics.median(a[0] / b[0] for a, b in zip(ours, theirs))
    rss = statistics.median(a[1] / b[1] for a, b in zip(ours, theirs))
    return startup, rss


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", default=DEFAULT_PROGRAM, help="the md5zevrin binary")
    parser.add_argument("--rounds", type=int, default=9, help="counted starts of each program")
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    parser.add_argument(
        "--fresh-server",
        action="store_true",
        help="also start both programs on X servers of their own in every round, "
        "each the first client (GTK then also probes OpenGL, once per server); "
        "startup-ratio and rss-ratio are then taken there",
    )
    args = parser.parse_args()
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")
    for tool in ("Xvfb", "xev", "xdotool", "hsetroot", REFERENCE):
        if shutil.which(tool) is None:
            sys.exit(f"startup.py: {tool} is not installed (tools/install-deps installs it)")
    if not os.access(args.program, os.X_OK):
        sys.exit(f"startup.py: {args.program} is not an executable (make bench builds it)")

    programs = {"md5zevrin": [args.program], REFERENCE: [REFERENCE]}
    servers = ["fresh", "warm"] if args.fresh_server else ["warm"]
    warm = None

    def start(server, command):
        if server == "warm":
            return measure_start(command, warm.env, warm.watcher)
        fresh = Display()
        try:
            return measure_start(command, fresh.env, fresh.watcher)
        finally:
            fresh.close()

    try:
        warm = Display()
        where = "one warm X server"
        if args.fresh_server:
            where += " and a new X server for every fresh start"
        print(f"{where}, {SCREEN}; {args.rounds} rounds after one warm-up start each")
        print(f"{'round':>5}  {'server':<6} {'program':<10} {'start-up ms':>12} {'VmHWM MiB':>10}")
        for command in programs.values():
            start("warm", command)
        results = {server: {name: [] for name in programs} for server in servers}
        for round_index in range(args.rounds):
            order = list(programs) if round_index % 2 == 0 else list(reversed(programs))
            for server in servers:
                for name in order:
                    seconds, peak = start(server, programs[name])
                    results[server][name].append((seconds, peak))
                    print(
                        f"{round_index:>5}  {server:<6} {name:<10} {seconds * 1e3:>12.1f} "
                        f"{peak / 1024:>10.1f}"
                    )
                    sys.stdout.flush()

        idle_ticks, idle_scheduler, rollup = measure_idle(
            args.program, warm.desk, warm.env, warm.watcher, args.idle_seconds
        )
    except Failure as failure:
        sys.exit(f"startup.py: {failure}")
    finally:
        if warm is not None:
            warm.close()

    print()
    for server in servers:
        for name, runs in results[server].items():
            print(
                f"# {name} ({server} server): median start-up "
                f"{statistics.median(r[0] for r in runs) * 1e3:.1f} ms, "
                f"median VmHWM {statistics.median(r[1] for r in runs) / 1024:.1f} MiB"
            )
    print(
        f"# md5zevrin after the notice: Rss {rollup['Rss'] / 1024:.1f} MiB, "
        f"Pss {rollup['Pss'] / 1024:.1f} MiB (anonymous {rollup.get('Pss_Anon', 0) / 1024:.1f}, "
        f"file {rollup.get('Pss_File', 0) / 1024:.1f}, shared memory "
        f"{rollup.get('Pss_Shmem', 0) / 1024:.1f})"
    )
    print(
        f"# md5zevrin idle for {args.idle_seconds:g} s: {idle_ticks:.2f} % of one core by "
        f"/proc/PID/stat ticks, {idle_scheduler:.4f} % by the scheduler's run time"
    )
    startup_ratio, rss_ratio = ratios(results[servers[0]])
    startup_ratio_warm, rss_ratio_warm = ratios(results["warm"])
    print(f"startup-ratio {startup_ratio:.2f}")
    print(f"rss-ratio {rss_ratio:.2f}")
    print(f"idle-cpu-percent {idle_ticks:.2f}")
    print(f"startup-ratio-warm {startup_ratio_warm:.2f}")
    print(f"rss-ratio-warm {rss_ratio_warm:.2f}")
    print(f"pss-mib {rollup['Pss'] / 1024:.1f}")


if __name__ == "__main__":
    main()
