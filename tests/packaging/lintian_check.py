#!/usr/bin/env python3
"""Builds the Debian package into a scratch folder and has lintian, Debian's
own checker, look at it: any error or warning fails.

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
    packages = glob.glob(os.path.join(scratch, "*.deb"))
    if built.returncode != 0 or len(packages) != 1:
        print(built.stdout + built.stderr, file=sys.stderr)
        print(f"cpack made {packages}, expected one package", file=sys.stderr)
        return 1
    # Informational tags are shown but do not fail; --allow-root lets the
    # check run in containers, where the build often runs as root.
    checked = subprocess.run([lintian, "--allow-root", "--info", "--display-info",
                              "--fail-on", "error,warning", packages[0]],
                             capture_output=True, text=True)
    print(checked.stdout + checked.stderr)
    tags = [line for line in checked.stdout.splitlines() if line[:2] in ("E:", "W:")]
    if checked.returncode != 0 or tags:
        print(f"lintian finds {len(tags)} errors and warnings in {packages[0]}", file=sys.stderr)
        return 1
    print(f"lintian: no errors or warnings in {os.path.basename(packages[0])}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
