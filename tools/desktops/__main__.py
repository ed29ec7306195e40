"""Runs a command on a desktop of its own, and ends the desktop after it:

    python3 tools/desktops [--wine-prefix DIR] [--wine-dpi N] [--root RRGGBB] DESKTOP COMMAND...

Exit status: the command's, or 77 when the desktop's tools are missing.
Without a command it lists the desktops.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import desktops  # noqa: E402

SKIPPED = 77

parser = argparse.ArgumentParser(prog="tools/desktops", description=__doc__.splitlines()[0])
parser.add_argument("--wine-prefix")
parser.add_argument("--wine-dpi", type=int)
parser.add_argument("--root", type=lambda text: tuple(bytes.fromhex(text)))
parser.add_argument("desktop", nargs="?", choices=sorted(desktops.DESKTOPS))
parser.add_argument("command", nargs=argparse.REMAINDER)
args = parser.parse_args()
if not args.desktop:
    print("\n".join(sorted(desktops.DESKTOPS)))
    sys.exit(0)
options = {k: v for k, v in (("wine_prefix", args.wine_prefix), ("wine_dpi", args.wine_dpi),
                             ("root", args.root)) if v}
try:
    with desktops.Session(args.desktop, **options) as desk:
        sys.exit(subprocess.run(args.command, env=desk.env).returncode if args.command else 0)
except desktops.Unavailable as missing:
    print("skipped: %s" % missing)
    sys.exit(SKIPPED)
