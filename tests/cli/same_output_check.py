#!/usr/bin/env python3
"""md5zevrin-cli writes the same bytes as the Qt-based build before it.

    same_output_check.py PROGRAM DIGESTS

Every output format gets every UTF-16 unit but the surrogates (one per line
and as arguments) and thousands of seeded random lines of valid and invalid
UTF-8, some longer than the digest takes; usage errors, help and version
too. The exit status and the SHA-256 of the standard output and standard
error of each run must be those in DIGESTS, which tools/cli-output-digests
recorded from the build of commit QT_REVISION and can compare against it
directly.
"""

import hashlib
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

QT_REVISION = "6a68256b8a32ad4d2e1b5c2470264833add69f63"
FIELDS = ["ShownInput", "ConvertedText", "ConvertedLength", "RemainingCount",
          "Hex16Lower", "Hex16Upper", "Hex32Lower", "Hex32Upper"]
FORMATS = [[], ["--json"]] + [["--field", name] for name in FIELDS]
USAGES = [["--help"], ["--version"], ["-hv"], ["--field", "nope", "a"], ["--field"],
          ["--json", "--field", "Hex16Lower"], ["--frobnicate"], ["--json=1"], ["-x"]]
PIECES = ([c.encode() for c in "aZ09 -\t\"\\/\x7f\x00\x01\x1f\r€éßı😀，！＠中文汉字\ufeff\ufffe\uffff"]
          + [b"\xff", b"\xfe", b"\x80", b"\xc3", b"\xe4\xb8", b"\xf0\x9f\x98", b"\xc0\x80",
             b"\xe0\x80\x80", b"\xed\xa0\x80", b"\xf4\x90\x80\x80", b"\xf8\x88\x80\x80\x80"])


class Random:
    """xorshift64*: the same numbers from a seed in every Python."""

    def __init__(self, seed):
        self.state = seed

    def below(self, bound):
        x = self.state
        x ^= x >> 12
        x ^= (x << 25) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 27
        self.state = x
        return ((x * 0x2545F4914F6CDD1D) & 0xFFFFFFFFFFFFFFFF) % bound

    def choice(self, items):
        return items[self.below(len(items))]

    def shuffle(self, items):
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]


def every_unit():
    return [chr(unit).encode("utf-8") for unit in range(0x10000)
            if not 0xD800 <= unit <= 0xDFFF]


def random_lines(rng, count):
    lines = [b"".join(rng.choice(PIECES) for _ in range(rng.below(41))) for _ in range(count)]
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


def cases():
    """(name, arguments, standard input) of every run, the same each time."""
    rng = Random(23)
    found = [("usage " + " ".join(usage), usage, b"") for usage in USAGES]
    # The random lines end without an LF.
    for set_name, texts, last in (("units", every_unit(), b"\n"),
                                  ("lines", random_lines(rng, 5000), b"")):
        joined = b"".join(text + rng.choice([b"\n", b"\r\n"]) for text in texts[:-1])
        joined += texts[-1] + last
        arguments = argument_lists(text for text in texts if b"\0" not in text)
        for form in FORMATS:
            form_name = " ".join(form) or "table"
            found.append((f"{set_name} on standard input, {form_name}", form, joined))
            found += [(f"{set_name} as arguments {i + 1}, {form_name}", form + ["--"] + chunk, b"")
                      for i, chunk in enumerate(arguments)]
    return found


def run(program, arguments, data):
    done = subprocess.run(["md5zevrin-cli"] + arguments, executable=program, input=data,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    return done.returncode, done.stdout, done.stderr


def digest_line(name, result):
    status, out, err = result
    return "\t".join([name, str(status), hashlib.sha256(out).hexdigest(),
                      hashlib.sha256(err).hexdigest()])


def run_all(program, all_cases):
    with ThreadPoolExecutor(2) as runs:
        return list(runs.map(lambda case: run(program, case[1], case[2]), all_cases))


def main():
    program, digests = sys.argv[1:3]
    all_cases = cases()
    ours = dict(line.split("\t", 1) for line in
                (digest_line(case[0], result)
                 for case, result in zip(all_cases, run_all(program, all_cases))))
    with open(digests, encoding="utf-8") as recorded:
        theirs = dict(line.split("\t", 1) for line in recorded.read().splitlines())
    differing = [name for name in ours if ours[name] != theirs.get(name)]
    differing += [f"{name} (not run)" for name in theirs if name not in ours]
    print("\n".join(differing + [f"{len(ours)} runs: {len(differing)} differ from the Qt build"]))
    if differing:
        print(f"To see the bytes that differ: tools/cli-output-digests diff {program}\n"
              f"(it builds commit {QT_REVISION[:7]} in a scratch folder and runs both);\n"
              f"to record the digests again from that build: tools/cli-output-digests record")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
