#!/usr/bin/env python3
"""md5zevrin-cli writes the same bytes as the build of an earlier commit.

    same_output_check.py PROGRAM SOURCE_DIR REVISION WORK_DIR

The earlier build is made once from REVISION of the git repository at
SOURCE_DIR, in WORK_DIR, and kept there. Both programs then get, in every
output format, every UTF-16 unit but the surrogates (one per line and as
arguments) and thousands of random lines of valid and invalid UTF-8, some
longer than the digest takes; their standard output, standard error and
exit status must be the same. Usage errors, help and version too.
"""

import os
import random
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SKIPPED = 77
FIELDS = ["ShownInput", "ConvertedText", "ConvertedLength", "RemainingCount",
          "Hex16Lower", "Hex16Upper", "Hex32Lower", "Hex32Upper"]
FORMATS = [[], ["--json"]] + [["--field", name] for name in FIELDS]
USAGES = [["--help"], ["--version"], ["-hv"], ["--field", "nope", "a"], ["--field"],
          ["--json", "--field", "Hex16Lower"], ["--frobnicate"], ["--json=1"], ["-x"]]


def build_previous(source, revision, work):
    program = os.path.join(work, "build", "src", "cli", "md5zevrin-cli")
    if os.path.exists(program):
        return program
    tree = os.path.join(work, "source")
    os.makedirs(tree, exist_ok=True)
    archive = subprocess.run(["git", "-C", source, "archive", revision],
                             stdout=subprocess.PIPE, check=False)
    if archive.returncode != 0:
        print(f"no commit {revision} in {source}: skipped")
        sys.exit(SKIPPED)
    subprocess.run(["tar", "-x", "-C", tree], input=archive.stdout, check=True)
    build = os.path.join(work, "build")
    subprocess.run(["cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DMD5Z_BUILD_GUI=OFF", "-DMD5Z_BUILD_TESTS=OFF", "-DMD5Z_BUILD_BENCH=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["nice", "-n", "10", "cmake", "--build", build, "-j2",
                    "--target", "md5zevrin-cli"], check=True, stdout=subprocess.DEVNULL)
    return program


def every_unit():
    return [chr(unit).encode("utf-8") for unit in range(0x10000)
            if not 0xD800 <= unit <= 0xDFFF]


PIECES = ([c.encode() for c in "aZ09 -\t\"\\/\x7f\x00\x01\x1f\r€éßı😀，！＠中文汉字\ufeff\ufffe\uffff"]
          + [b"\xff", b"\xfe", b"\x80", b"\xc3", b"\xe4\xb8", b"\xf0\x9f\x98", b"\xc0\x80",
             b"\xe0\x80\x80", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\xf8\x88\x80\x80\x80"])


def random_lines(rng, count):
    lines = [b"".join(rng.choice(PIECES) for _ in range(rng.randint(0, 40)))
             for _ in range(count)]
    # Around the 32,767 units the digest takes, in units of one, two and
    # three bytes and in pairs of surrogates, with trouble past the limit.
    for unit in ["a", "é", "中", "😀"]:
        for units in (32766, 32767, 32768, 40000):
            text = (unit * (units // (len(unit.encode("utf-16-le")) // 2))).encode()
            lines += [text, text + b"\xff", text + b"\r"]
    # Bytes of 0xF0 and above count two units each, however malformed.
    lines += [b"\xff" * 16384, b"\xf0" * 16383 + b"a", b"a" + b"\xf8" * 20000]
    rng.shuffle(lines)
    return lines


def argument_lists(texts):
    """The texts as the arguments of several runs, each within the system's
    limit on the size of a command line."""
    runs, size = [[]], 0
    for text in texts:
        if size + len(text) > 1 << 20:
            runs.append([])
            size = 0
        runs[-1].append(text)
        size += len(text) + 1
    return runs


def run(program, arguments, data=b""):
    done = subprocess.run(["md5zevrin-cli"] + arguments, executable=program, input=data,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    return done.returncode, done.stdout, done.stderr


def first_difference(ours, theirs):
    for what, a, b in zip(("status", "stdout", "stderr"), ours, theirs):
        if a != b:
            if isinstance(a, bytes):
                at = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]),
                          min(len(a), len(b)))
                near = slice(max(0, at - 40), at + 80)
                return f"{what} from byte {at}: {a[near]!r} against {b[near]!r}"
            return f"{what}: {a} against {b}"
    return None


def main():
    program, source, revision, work = sys.argv[1:5]
    previous = build_previous(source, revision, work)
    rng = random.Random(23)
    units = every_unit()
    lines = random_lines(rng, 5000)
    cases = [(usage, b"") for usage in USAGES]
    for texts, last in ((units, b"\n"), (lines, b"")):  # the random lines end without LF
        joined = b"".join(text + rng.choice([b"\n", b"\r\n"]) for text in texts[:-1])
        joined += texts[-1] + last
        arguments = argument_lists(text for text in texts if b"\0" not in text)
        for form in FORMATS:
            cases += [(form, joined)] + [(form + ["--"] + chunk, b"") for chunk in arguments]

    def compare(case):
        arguments, data = case
        with ThreadPoolExecutor(2) as both:
            ours, theirs = both.map(lambda side: run(side, arguments, data), (program, previous))
        difference = first_difference(ours, theirs)
        options = arguments[:arguments.index("--")] if "--" in arguments else arguments
        texts = len(arguments) - len(options)
        return difference and (f"{' '.join(options)} ({texts} arguments, {len(data)} bytes in): "
                               f"{difference}")

    failures = [failure for failure in map(compare, cases) if failure]
    print("\n".join(failures + [f"{len(cases)} runs of both programs: {len(failures)} differ"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
