#!/usr/bin/env python3
"""Peak memory of md5zevrin-cli reading one very long line.

The command-line program is given, on a pipe, a line far longer than the
digest takes (1 GB of "a" by default) and then a short line, and its peak
resident memory (VmHWM) is read once the short line after it has been
reported. For comparison it is also given one short line alone.
Both runs are repeated, in alternating order; the figures are medians.

The long line must cost no more than a few MiB above the short one: it is
named as too long as soon as it passes the limit and the rest of it is only
read past. The run also checks that the line after it was still reported.

The last lines are the figures, NAME VALUE: one-line-peak-mib and
long-line-peak-mib.
"""

import argparse
import os
import statistics
import subprocess
import sys
import threading

CHUNK = b"a" * (1 << 20)
FOLLOWING_LINE = b"after"


def high_water_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    raise RuntimeError("no VmHWM")


def peak_mib(program, write_input):
    """Runs the program with write_input feeding its standard input and
    returns its peak resident memory in MiB, read from VmHWM once the line
    after the long one has been reported, while the program still waits for
    the end of its input. (The rusage of the ended child would count the
    memory of this interpreter, from which it was forked.)"""
    child = subprocess.Popen([program, "--json"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    reported = threading.Event()

    def read_reports():
        for line in child.stdout:
            if b'"ShownInput":"' + FOLLOWING_LINE + b'"' in line:
                reported.set()

    reader = threading.Thread(target=read_reports)
    reader.start()
    write_input(child.stdin)
    child.stdin.flush()
    if not reported.wait(timeout=600):
        child.kill()
        sys.exit("the line after the long one was not reported")
    peak = high_water_mib(child.pid)
    child.stdin.close()
    reader.join()
    child.wait()
    return peak


def one_line(stdin):
    stdin.write(FOLLOWING_LINE + b"\n")


def long_line(size):
    def write(stdin):
        whole, rest = divmod(size, len(CHUNK))
        for _ in range(whole):
            stdin.write(CHUNK)
        stdin.write(CHUNK[:rest] + b"\n" + FOLLOWING_LINE + b"\n")
    return write


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="md5zevrin-cli to measure")
    parser.add_argument("--bytes", type=int, default=1_000_000_000,
                        help="length of the long line (default 1 GB)")
    parser.add_argument("--rounds", type=int, default=3)
    arguments = parser.parse_args()

    short_peaks, long_peaks = [], []
    for round_number in range(arguments.rounds):
        runs = [("short", one_line), ("long", long_line(arguments.bytes))]
        if round_number % 2:
            runs.reverse()
        for name, feed in runs:
            peak = peak_mib(arguments.program, feed)
            (short_peaks if name == "short" else long_peaks).append(peak)
            print(f"round {round_number + 1}: {name} line, peak {peak:.1f} MiB", flush=True)

    print(f"one-line-peak-mib {statistics.median(short_peaks):.1f}")
    print(f"long-line-peak-mib {statistics.median(long_peaks):.1f}")


if __name__ == "__main__":
    main()
