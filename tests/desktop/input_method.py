#!/usr/bin/python3
"""Pinyin "zhongwen" and Space typed through the session's fcitx5 with
QT_IM_MODULE unset give 中文: the window takes the input method the session
names in XMODIFIERS, or the one it finds on the session bus.

    input_method.py --program PATH
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import check  # noqa: E402

INSTALL = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                        "install-deps"), "fcitx5", "fcitx5-chinese-addons", "fcitx5-frontend-qt6"]
# name: the session's word on its input method, besides fcitx5 on the bus.
ROWS = {"XMODIFIERS": {"XMODIFIERS": "@im=fcitx"}, "bus name": {"XMODIFIERS": None}}
TYPED, EXPECTED = "zhongwen", "中文"


def fcitx(desk, method):
    return desk.run(["gdbus", "call", "--session", "--dest", "org.fcitx.Fcitx5",
                     "--object-path", "/controller", "--method",
                     "org.fcitx.Fcitx.Controller1." + method]).stdout


def typed(desk, program, env):
    program = desk.start([program], env=dict(env, QT_IM_MODULE=None))
    try:
        desk.focus(desk.answer_notice())
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
        text = desk.wait(box_text, "the typed text in the input box")
        check(text == EXPECTED, "the box holds %r" % text)
    finally:
        desk.stop(program)


def main(args):
    try:
        desktops.Session("xvfb+fcitx5").close()
    except desktops.Unavailable:
        subprocess.run(INSTALL)
    with desktops.Session("xvfb+fcitx5") as desk:
        return desktops.play([(name, lambda env=env: typed(desk, args.program, env))
                              for name, env in ROWS.items()])


if __name__ == "__main__":
    desktops.run_test(main)
