#!/usr/bin/env python3
"""The Debian packages built into a scratch folder, where lintian finds no
error or warning; the command line's works without a desktop (no Qt, X or
ICU library) and no file is in both.

    lintian_check.py CPACK CPACK_CONFIG SCRATCH_DIR LINTIAN
"""

import glob
import os
import shutil
import subprocess
import sys


def main(argv):
    cpack, config, scratch, lintian = argv[1:5]
    shutil.rmtree(scratch, ignore_errors=True)
    built = subprocess.run([cpack, "--config", config, "-B", scratch], capture_output=True,
                           text=True)
    named = sorted((os.path.basename(package).split("_")[0], package)
                   for package in glob.glob(os.path.join(scratch, "*.deb")))
    names, packages = [name for name, _ in named], [package for _, package in named]
    if built.returncode != 0 or names != ["md5zevrin", "md5zevrin-cli"]:
        print(built.stdout + built.stderr, file=sys.stderr)
        print(f"cpack made {packages}, expected md5zevrin and md5zevrin-cli", file=sys.stderr)
        return 1
    failures = relation_failures(*packages)
    # Informational tags are shown but do not fail; --allow-root lets the
    # check run in containers, where the build often runs as root.
    checked = subprocess.run([lintian, "--allow-root", "--info", "--display-info",
                              "--fail-on", "error,warning", *packages],
                             capture_output=True, text=True)
    print(checked.stdout + checked.stderr)
    tags = [line for line in checked.stdout.splitlines() if line[:2] in ("E:", "W:")]
    failures += [f"lintian finds {len(tags)} errors and warnings"] if checked.returncode or tags else []
    print("\n".join(failures) or f"lintian: no errors or warnings in {', '.join(names)}")
    return 1 if failures else 0


def relation_failures(window, cli):
    def field(package, name):
        return subprocess.run(["dpkg-deb", "--field", package, name], capture_output=True,
                              text=True, check=True).stdout.strip()

    def files(package):
        listing = subprocess.run(["dpkg-deb", "--contents", package], capture_output=True,
                                 text=True, check=True).stdout
        return {line.split()[-1] for line in listing.splitlines() if not line.endswith("/")}

    failures = []
    depends = field(cli, "Depends")
    if any(library in depends.lower() for library in ("qt", "libx", "icu")):
        failures.append(f"md5zevrin-cli depends on a Qt, X or ICU library: {depends}")
    if "md5zevrin-cli" not in field(window, "Recommends"):
        failures.append("md5zevrin does not recommend md5zevrin-cli")
    shared = files(window) & files(cli)
    if shared:
        failures.append(f"files in both packages: {sorted(shared)}")
    return failures


if __name__ == "__main__":
    sys.exit(main(sys.argv))
