#!/usr/bin/python3
"""Chinese typed through the session's fcitx5 with QT_IM_MODULE unset, on X:
the window takes the input method the session names in XMODIFIERS, or the
one it finds on the session bus. Pinyin "zhongwen" and Space give 中文.

    input_method.py --program PATH

Exit status 77 when fcitx5 is not installed.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
PACKAGES = ["fcitx5", "fcitx5-chinese-addons", "fcitx5-frontend-qt6"]
# name: the session's word on its input method, besides fcitx5 on the bus.
ROWS = {
    "XMODIFIERS": {"XMODIFIERS": "@im=fcitx"},
    "bus name": {"XMODIFIERS": None},
}
TYPED, EXPECTED = "zhongwen", "中文"


def fcitx(desk, method):
    return desk.run(["gdbus", "call", "--session", "--dest", "org.fcitx.Fcitx5",
                     "--object-path", "/controller", "--method",
                     "org.fcitx.Fcitx.Controller1." + method]).stdout


def typed(desk, env):
    """The input box's text after typing pinyin with the input method on."""
    program = desk.start([args.program], env=dict(env, QT_IM_MODULE=None))
    try:
        [notice] = desk.wait_windows("提示", 1)
        desk.key("Return", window=notice)
        desk.wait_windows("提示", 0)
        [window] = desk.wait_windows("MD5Zevrin", 1)
        desk.focus(window)
        # fcitx5 names an input method once the box's input context has the
        # focus; its trigger key then turns pinyin on.
        desk.wait(lambda: "keyboard-us" in fcitx(desk, "CurrentInputMethod"),
                  "the input box's input context")
        desk.key("ctrl+space")
        desk.wait(lambda: "pinyin" in fcitx(desk, "CurrentInputMethod"), "pinyin to be on")
        desk.type(TYPED)
        desk.key("space")

        def box_text():
            desk.key("ctrl+a", "ctrl+c")
            return desk.clipboard() in (EXPECTED, TYPED + " ") and desk.clipboard()
        return desk.wait(box_text, "the typed text in the input box")
    finally:
        desk.stop(program)


parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("--program", required=True)
args = parser.parse_args()
try:
    desktops.Session("xvfb+fcitx5").close()
except desktops.Unavailable:
    if subprocess.run([os.path.join(ROOT, "tools", "install-deps")] + PACKAGES).returncode:
        print("skipped: the input method could not be installed")
        sys.exit(77)
failures = 0
try:
    with desktops.Session("xvfb+fcitx5") as desk:
        for name, env in ROWS.items():
            try:
                text = typed(desk, env)
            except desktops.Failure as failure:
                text = str(failure)
            failures += text != EXPECTED
            print("%s %s: %r" % ("ok  " if text == EXPECTED else "FAIL", name, text), flush=True)
except desktops.Unavailable as missing:
    print("skipped: %s" % missing)
    sys.exit(77)
sys.exit(1 if failures else 0)
