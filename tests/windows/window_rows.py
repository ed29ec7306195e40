#!/usr/bin/env python3
"""The Windows program under Wine as a person, a keyboard, a screen reader
and a screen at 100, 150 and 200 % meet it: each DPI on a desktop of its
own (a 2048x1536 Xvfb, openbox and xcompmgr over a grey root) with one start
of the program, the rows of that DPI played on it in order. READER_EXE
(accessible_reader.cpp) reads and presses the window through MSAA and
WinEvents from a second process; keys and clicks are xdotool's.

    window_rows.py --program EXE --reader READER_EXE --prefix WINE_PREFIX
"""

import hashlib
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402
from desktops import NOTICE, WINDOW, Failure, blended, check  # noqa: E402
from desktops.wine import WINE  # noqa: E402

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
# 中 and 文 become the initials of their readings. xdotool types a character
# no key carries by remapping a spare key for the moment, which Wine often
# reads too early (one round in two): the text is typed afresh up to 8 times.
TYPED, TYPED_DIGEST, TYPING_ROUNDS = "中文abc", hashlib.md5(b"ZWABC").hexdigest(), 8

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
    """The 32 lower-case digits of a text without hanzi (others are "?")."""
    return hashlib.md5("".join(c.upper() if c.isascii() else "?" for c in text).encode()).hexdigest()


class Window:
    """The program on one desktop, and the reader's steps against it."""

    def __init__(self, desk, program, reader):
        self.desk, self.program, self.reader = desk, program, reader
        # Under Xvfb Wine now and then fails to make a window, and the
        # program ends unseen: one more start.
        for attempt in (1, 2):
            self.process = desk.start([WINE, program])
            try:
                # The first Wine program of a session starts its desktop
                # process, which keeps that program's output open: the
                # reader's, had it come first, and its read would never end.
                [self.x_window] = desk.wait_windows(WINDOW, 1, START_SECONDS)
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
        check(done.returncode == 0 and not failed,
              f"reader {' '.join(steps)}: {failed or done.returncode}")
        return lines

    def tree(self, *before):
        return [line[len("child "):].rsplit(" | ", 1)[0] for line in self.read(*before, "tree")
                if line.startswith("child ")]

    def value(self, tree, name):
        values = {line.split(" | ")[0].split(" ", 1)[1]: line.split(" | ")[1] for line in tree}
        check(name in values, f"no {name} in the tree")
        return values[name]

    def layout(self):
        """The client area's size and origin, and each shown caption's box."""
        lines = self.read("tree")
        size, _, x, y = lines[0].split()[1:]
        places = {}
        for line in lines[1:]:
            role_name, _, states, _, box = line[len("child "):].split(" | ")
            if "invisible" not in states:
                places[role_name.split(" ", 1)[1]] = tuple(int(n) for n in box.split())
        return tuple(int(n) for n in size.split("x")), (int(x), int(y)), places

    def click(self, name):
        _, origin, places = self.layout()
        left, top, right, bottom = places[name]
        self.desk.click(origin[0] + (left + right) // 2, origin[1] + (top + bottom) // 2)
        time.sleep(0.3)


def expect(what, actual, wanted):
    check(actual == wanted, f"{what}: {actual!r}, expected {wanted!r}")


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def frame_ink(window, name):
    """Near-white pixels two above a caption, where the focus frame runs."""
    _, origin, places = window.layout()
    left, top, right, _ = places[name]
    shot = window.desk.screenshot()
    row = [shot.pixel(origin[0] + x, origin[1] + top - 2) for x in range(left, right)]
    return sum(1 for pixel in row if min(pixel) > 220)


def layout_row(window, dpi):
    """The client area at the scale, to the pixel, every caption inside it
    and clear of the others, fonts grown, faces drawn where they belong."""
    client, origin, places = window.layout()
    print(f"client-{dpi} {client[0]}x{client[1]}, prompt {places[PROMPT]}")
    expect(f"client at {dpi} dpi", client, tuple(scaled(n, dpi) for n in DESIGN_CLIENT))
    for name, box in places.items():
        check(0 <= box[0] < box[2] <= client[0] and 0 <= box[1] < box[3] <= client[1],
              f"{name} at {box} leaves the client area {client}")
        for other, second in places.items():
            check(other >= name or not overlap(box, second),
                  f"{name} at {box} overlaps {other} at {second}")
    expect("the prompt's height at least its font's", places[PROMPT][3] - places[PROMPT][1]
           >= round(PROMPT_POINTS * dpi / 72), True)
    spot = tuple(o + scaled(p, dpi) for o, p in zip(origin, GREEN_FACE))
    shown, green = window.desk.pixel(*spot), blended(FACE_GREEN, (ROOT_GREY,) * 3, WORKING_ALPHA)
    check(all(abs(a - b) <= 6 for a, b in zip(shown, green)),
          f"the green face at {spot} reads {shown}, expected {green}")


def accessible_row(window, dpi):
    """The tree; the warning heard each time; a digest filling the rows and
    heard, as 已复制 is; a press refused while a modal box is up."""
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
    check("event name 已复制 32位 小写" in lines, f"no name change for 已复制: {lines}")
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


def lost_notice_row(window, dpi):
    """Every digest beside its own text, an Arabic mark's among them."""
    for text in ("abc", "\u064e\u0628", "xyz"):
        tree = window.tree(f"text:{text}", "press:加密", "wait:300")
        expect(f"the text row after {text!r}", window.value(tree, "字符串"), text)
        expect(f"the digest of {text!r}", window.value(tree, "32位 小写"), digest(text))


# Keys (a text is typed), then what shows: where the focus is, whether the
# focus frame runs round 加密, the text row, the clipboard. Tab and Shift+Tab
# run box, 加密, 重置, the enabled copies and round to the box; Space and
# Enter press; Enter in the box digests.
KEYBOARD = [
    ("abc", "frame", False),
    (["Tab"], "focus", "加密"),
    ([], "frame", True),
    (["space"], "text", "abc"),
    (["Tab"] * 4, "focus", "复制 32位 小写"),
    (["space"], "clipboard", digest("abc")),
    (["shift+Tab"], "focus", "复制 16位 大写"),
    (["Return"], "clipboard", digest("abc")[8:24].upper()),
    (["Tab"] * 3, "focus", BOX),
    (["d", "Return"], "text", "abcd"),
]


def keyboard_row(window, dpi):
    desk = window.desk
    shown = {"focus": lambda: window.read("focus")[0][len("focus "):],
             "frame": lambda: frame_ink(window, "加密") > 0, "clipboard": desk.clipboard,
             "text": lambda: window.value(window.tree("wait:300"), "字符串")}
    window.tree("text:", "press:重置", "wait:300")
    desk.focus(window.x_window)
    for keys, what, wanted in KEYBOARD:
        desk.type(keys) if isinstance(keys, str) else keys and desk.key(*keys)
        try:
            desk.wait(lambda: shown[what]() == wanted, f"{what} {wanted!r}")
        except Failure:
            expect(f"{what} after {keys}", shown[what](), wanted)


def typed_row(window, dpi):
    """中文abc typed with xdotool, 加密 and the 32 lower-case 复制 clicked:
    the clipboard holds its digest."""
    for rounds in range(1, TYPING_ROUNDS + 1):
        window.click("重置")
        window.desk.focus(window.x_window)
        window.desk.type(TYPED, delay_ms=100)
        time.sleep(0.5)
        window.click("加密")
        window.click("复制 32位 小写")
        # The clipboard still holds an earlier copy until this one lands.
        try:
            window.desk.wait(lambda: window.desk.clipboard() == TYPED_DIGEST,
                             "the digest on the clipboard", 5)
            break
        except Failure:
            pass
    print(f"typing-rounds {rounds}")
    expect("the clipboard", window.desk.clipboard(), TYPED_DIGEST)


def second_start_row(window, dpi):
    """A second start while the window runs ends by itself, unseen."""
    desk, second = window.desk, window.desk.start([WINE, window.program])
    try:
        desk.wait(lambda: second.poll() is not None or desk.windows(NOTICE), "the second start")
    finally:
        desk.stop(second)
    expect("the second start's status", second.returncode, 0)


def close_row(window, dpi):
    """The close button's request fades the window out, and the program ends."""
    desk, started = window.desk, time.monotonic()
    asked = desk.run(["wmctrl", "-i", "-c", str(window.x_window.id)])
    check(asked.returncode == 0, f"wmctrl: {asked.stderr}")
    time.sleep(0.1)
    check(desk.windows(WINDOW), "the window went at once instead of fading")
    desk.wait_windows(WINDOW, 0)
    desk.wait(lambda: window.process.poll() is not None, "the program to end")
    print(f"fade-ms {round((time.monotonic() - started) * 1000)}")


ROWS = {
    96: [layout_row, accessible_row, lost_notice_row, keyboard_row, typed_row, second_start_row,
         close_row],
    144: [layout_row],
    192: [layout_row],
}


def main(args):
    failures = 0
    for dpi, rows in ROWS.items():
        with desktops.Session("wine-openbox+xcompmgr", root=(ROOT_GREY,) * 3, size="2048x1536x24",
                              wine_prefix=args.prefix, wine_dpi=dpi) as desk:
            window = Window(desk, args.program, args.reader)
            try:
                failures += desktops.play([(f"{row.__name__} at {dpi} dpi", row) for row in rows],
                                          window, dpi)
            finally:
                desk.stop(window.process)
    return failures


if __name__ == "__main__":
    desktops.run_test(main, "reader", "prefix")
