#!/usr/bin/env python3
"""The Windows program under Wine as a screen reader, a keyboard user and a
screen at 100, 150 and 200 % meet it:

    window_rows.py PROGRAM_EXE READER_EXE PREFIX

Each DPI runs on a desktop of its own (tools/desktops: a 2048x1536 Xvfb,
openbox and xcompmgr over a grey root, Wine at that DPI) with one start of
the program; the rows of that DPI then play on it in order. The second
process READER_EXE (accessible_reader.cpp) reads the window through MSAA
and WinEvents and presses as assistive technology does; the keyboard is
xdotool's. Exit status 77 when a tool is missing.
"""

import hashlib
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import desktops  # noqa: E402
from desktops.wine import WINE  # noqa: E402

Failure = desktops.Failure
DESIGN_CLIENT = (639, 335)
ROOT_GREY = 128
WORKING_ALPHA = 235
# Design pixels of a spot inside the green face of 重置 (Shape4), clear of
# its caption and its rounded corners.
GREEN_FACE = (524, 94)
FACE_GREEN = (0, 192, 0)
PROMPT = "要加密的字符串:"
PROMPT_POINTS = 12
BOX = "在此处输入要加密的字符串"
START_SECONDS = 60

# The tree of a window at rest, as MSAA shows it: role, name | value | states
# | default action.
AT_REST = """\
text MD5Zevrin |  | readonly | 
text 要加密的字符串: |  | readonly | 
entry 在此处输入要加密的字符串 |  | focused,focusable | 
text 还可输入的字符数 | 30 | readonly | 
text 输入的字符不能为空 |  | invisible,readonly | 
button 加密 |  | focusable | 按下
button 重置 |  | focusable | 按下
text 字符串 | Loading... | readonly | 
text 16位 小写 | Loading... | readonly | 
button 复制 16位 小写 |  | unavailable | 按下
text 16位 大写 | Loading... | readonly | 
button 复制 16位 大写 |  | unavailable | 按下
text 32位 小写 | Loading... | readonly | 
button 复制 32位 小写 |  | unavailable | 按下
text 32位 大写 | Loading... | readonly | 
button 复制 32位 大写 |  | unavailable | 按下""".split("\n")


def scaled(pixels, dpi):
    """Design pixels at a DPI, halves away from zero, as Windows' MulDiv."""
    return (2 * pixels * dpi + 96) // 192


def digest(text):
    """The 32 lower-case digits 加密 shows: ASCII letters upper-cased, any
    character outside code page 936 as "?" (the texts here have no hanzi)."""
    converted = "".join(c.upper() if c.isascii() else "?" for c in text)
    return hashlib.md5(converted.encode("ascii")).hexdigest()


class Window:
    """The program on one desktop, and the reader's steps against it."""

    def __init__(self, desk, program, reader):
        self.desk = desk
        self.reader = reader
        # Under Xvfb Wine now and then fails to make a window, and the
        # program ends unseen: one more start.
        for attempt in (1, 2):
            self.process = desk.start([WINE, program])
            try:
                # The first Wine program of a session starts its desktop
                # process, which keeps that program's output open: the
                # reader's, had it come first, and its read would never end.
                [self.x_window] = desk.wait_windows("MD5Zevrin", 1, START_SECONDS)
                self.read("answer", seconds=START_SECONDS)
                break
            except Failure as failure:
                desk.stop(self.process)
                if attempt == 2:
                    raise
                print(f"first start: {failure}; starting again")

    def read(self, *steps, seconds=60):
        try:
            done = self.desk.run([WINE, self.reader, *steps], timeout=seconds)
        except subprocess.TimeoutExpired:
            raise Failure(f"reader {' '.join(steps)}: no answer in {seconds} s") from None
        lines = done.stdout.splitlines()
        failed = [line for line in lines if line.startswith("failed")]
        if done.returncode != 0 or failed:
            raise Failure(f"reader {' '.join(steps)}: {failed or done.returncode}")
        return lines

    def tree(self, *before):
        return [line[len("child "):].rsplit(" | ", 1)[0] for line in self.read(*before, "tree")
                if line.startswith("child ")]

    def value(self, tree, name):
        for line in tree:
            role_name, value = line.split(" | ")[:2]
            if role_name.split(" ", 1)[1] == name:
                return value
        raise Failure(f"no {name} in the tree")


def expect(what, actual, wanted):
    if actual != wanted:
        raise Failure(f"{what}: {actual!r}, expected {wanted!r}")


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def read_layout(window):
    """The client area's size, its origin on the screen, and each shown
    caption's box in it."""
    lines = window.read("tree")
    size, _, x, y = lines[0].split()[1:]
    places = {}
    for line in lines[1:]:
        role_name, _, states, _, box = line[len("child "):].split(" | ")
        if "invisible" not in states:
            places[role_name.split(" ", 1)[1]] = tuple(int(n) for n in box.split())
    return tuple(int(n) for n in size.split("x")), (int(x), int(y)), places


def frame_ink(window, name):
    """Near-white pixels on the line two pixels above a caption, where the
    focus frame runs: 加密's white caption sits on a blue face."""
    _, origin, places = read_layout(window)
    left, top, right, _ = places[name]
    shot = window.desk.screenshot()
    row = [shot.pixel(origin[0] + x, origin[1] + top - 2) for x in range(left, right)]
    return sum(1 for pixel in row if min(pixel) > 220)


def layout_row(window, dpi, figures):
    """The client area is the design size at the scale, to the pixel; every
    caption lies inside it, clear of the input box and of every other
    caption; the fonts grew with the scale; the faces are drawn where the
    scaled layout puts them."""
    client, origin, places = read_layout(window)
    figures[f"client-{dpi}"] = "x".join(map(str, client))
    figures[f"prompt-{dpi}"] = places[PROMPT]
    expect(f"client at {dpi} dpi", client, tuple(scaled(n, dpi) for n in DESIGN_CLIENT))
    for name, box in places.items():
        if not (0 <= box[0] < box[2] <= client[0] and 0 <= box[1] < box[3] <= client[1]):
            raise Failure(f"{name} at {box} leaves the client area {client}")
        for other, second in places.items():
            if other < name and overlap(box, second):
                raise Failure(f"{name} at {box} overlaps {other} at {second}")
    expect("the prompt's height at least its font's", places[PROMPT][3] - places[PROMPT][1]
           >= round(PROMPT_POINTS * dpi / 72), True)
    spot = tuple(o + scaled(p, dpi) for o, p in zip(origin, GREEN_FACE))
    shown = window.desk.pixel(*spot)
    green = tuple(round(c * WORKING_ALPHA / 255 + ROOT_GREY * (255 - WORKING_ALPHA) / 255)
                  for c in FACE_GREEN)
    if any(abs(a - b) > 6 for a, b in zip(shown, green)):
        raise Failure(f"the green face at {spot} reads {shown}, expected {green}")


def accessible_row(window, dpi, figures):
    """The tree at rest; 加密 on an empty box raises the warning's alert, and
    again while it shows; a digest fills the rows' values, makes the copies
    available and is heard at once, as a copy's 已复制 is (also a name
    change); a press is refused while a modal box is up."""
    expect("the tree at rest", window.tree(), AT_REST)
    alerts = lambda lines: [line[len("event alert "):] for line in lines
                            if line.startswith("event alert ")]
    lines = window.read("hook", "press:加密", "wait:500", "events", "press:加密",
                        "wait:500", "events")
    expect("加密 on an empty box, twice", alerts(lines), ["输入的字符不能为空"] * 2)
    tree = window.tree("text:abc", "press:加密", "wait:300")
    expect("the text row", window.value(tree, "字符串"), "abc")
    expect("the 32 lower-case row", window.value(tree, "32位 小写"), digest("abc"))
    expect("the copy of the 32 lower-case row", tree[13],
           "button 复制 32位 小写 |  | focusable | 按下")
    lines = window.read("hook", "press:加密", "wait:300", "events",
                        "press:复制 32位 小写", "wait:300", "events", "press:重置", "wait:300",
                        "events")
    expect("what 加密, 复制 and 重置 are heard to change", alerts(lines),
           [f"ABC，32位 小写 {digest('abc')}", "已复制 32位 小写", "已重置"])
    if "event name 已复制 32位 小写" not in lines:
        raise Failure(f"no name change for 已复制: {lines}")
    expect("the clipboard", window.desk.clipboard(), digest("abc"))
    expect("the rows after 重置", window.tree()[7:10], AT_REST[7:10])
    # The contact box, chosen from the menu by its access key: it is modal
    # until its OK button ends it.
    window.desk.focus(window.x_window)
    window.desk.key("alt+g", "Down", "Down", "Down", "Down", "Return")
    window.desk.wait_windows("联系开发者", 1)
    lines = window.read("press:加密", "answer", "wait:500", "press:加密")
    expect("presses under the modal box and after it", lines,
           ["press 加密 refused", "press 加密 ok"])
    figures["msaa-children"] = len(AT_REST)


def lost_notice_row(window, dpi, figures):
    """An Arabic mark before its letter, between two ordinary texts: every
    digest belongs to the text shown beside it."""
    for text in ("abc", "\u064e\u0628", "xyz"):
        tree = window.tree(f"text:{text}", "press:加密", "wait:300")
        expect(f"the text row after {text!r}", window.value(tree, "字符串"), text)
        expect(f"the digest of {text!r}", window.value(tree, "32位 小写"), digest(text))


def keyboard_row(window, dpi, figures):
    """Tab and Shift+Tab run box, 加密, 重置, the enabled copies and round to
    the box; Space and Enter press; Enter in the box digests."""
    desk = window.desk
    focus = lambda: window.read("focus")[0]
    window.tree("text:", "press:重置", "wait:300")
    desk.focus(window.x_window)
    desk.type("abc")
    expect("the focus frame while the box has the focus", frame_ink(window, "加密"), 0)
    desk.key("Tab")
    expect("after Tab", focus(), "focus 加密")
    if frame_ink(window, "加密") == 0:
        raise Failure("no focus frame around 加密")
    desk.key("space")
    tree = window.tree("wait:300")
    expect("Space on 加密", window.value(tree, "字符串"), "abc")
    desk.key("Tab", "Tab", "Tab", "Tab")
    expect("four Tabs on", focus(), "focus 复制 32位 小写")
    desk.key("space")
    desk.wait(lambda: desk.clipboard() == digest("abc"), "the 32 digits on the clipboard")
    desk.key("shift+Tab")
    expect("Shift+Tab", focus(), "focus 复制 16位 大写")
    desk.key("Return")
    desk.wait(lambda: desk.clipboard() == digest("abc")[8:24].upper(),
              "the 16 upper-case digits on the clipboard")
    desk.key("Tab", "Tab", "Tab")
    expect("round to the box", focus(), f"focus {BOX}")
    desk.type("d")
    desk.key("Return")
    tree = window.tree("wait:300")
    expect("Enter in the box", window.value(tree, "字符串"), "abcd")


ROWS = {
    96: [layout_row, accessible_row, lost_notice_row, keyboard_row],
    144: [layout_row],
    192: [layout_row],
}


def main(argv):
    program, reader, prefix = argv[1:4]
    failures = []
    figures = {}
    for dpi, rows in ROWS.items():
        try:
            with desktops.Session("wine-openbox+xcompmgr", root=(ROOT_GREY,) * 3,
                                  size="2048x1536x24", wine_prefix=prefix,
                                  wine_dpi=dpi) as desk:
                window = Window(desk, program, reader)
                try:
                    for row in rows:
                        try:
                            row(window, dpi, figures)
                            print(f"ok   {row.__name__} at {dpi} dpi")
                        except Failure as failure:
                            failures.append(f"{row.__name__} at {dpi} dpi: {failure}")
                finally:
                    desk.stop(window.process)
        except desktops.Unavailable as missing:
            print(f"skipped: {missing}")
            return 77
        except Failure as failure:
            failures.append(f"at {dpi} dpi: {failure}")
    for name, value in figures.items():
        print(f"{name} {value}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
