#!/usr/bin/env python3
"""The Windows program under Wine on a real X server with a compositor, used
as a person uses it:

    end_to_end.py PROGRAM_EXE PREFIX PRODUCT_H ICON_FILE SCREENSHOT

On a desktop of its own (tools/desktops: Xvfb, openbox and xcompmgr over a
grey root, Wine with the prefix PREFIX): answer the
start-up notice, type 中文abc with xdotool, click 加密, click the 复制 of the
32 lower-case digits and read the clipboard with xclip, read a pixel of the
translucent window over the known root color, close the window and time its
fade-out until the window is gone and the process has ended; the screen
before the close is kept in SCREENSHOT. A second start meanwhile must end
silently. Then read the version record and the resources' language back out
of the program file. Prints one line per figure. Exit status 77 when a
tool is missing.
"""

import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "packaging"), os.path.join(HERE, "..", "..", "tools")]
import desktops  # noqa: E402
import version_resource_check  # noqa: E402
from desktops.wine import WINE  # noqa: E402

TYPED_TEXT = "中文abc"
# xdotool types a character that no key carries by remapping a spare key for
# the moment of the key press; Wine often reads that press before it has
# seen the new map, and the character is lost (about one round in two here).
# So the text is typed afresh, after 重置, up to this many times.
TYPING_ROUNDS = 8
EXPECTED_LOWER32 = "6b89cdbe5fe4b3f56ca3094b4ef674c3"
ROOT_GREY = 128
WORKING_ALPHA = 235
OPACITY_PROPERTY = 0xEBEBEBEB
CHINESE_PRC = 0x0804
# Client-area pixels of the layout (twips / 15): the green face of 重置
# (Shape4), the centres of 加密 and 重置 (ann1, ann2), the 复制 of row 4 (fz3)
# and a spot of the white result table (Shape1) that no text covers.
GREEN_FACE = (520, 94)
DIGEST_LABEL = (498, 102)
CLEAR_LABEL = (538, 102)
COPY_LOWER32 = (574, 264)
TABLE_SPOT = (585, 162)
FACE_GREEN = (0, 192, 0)
WINDOW_START_SECONDS = 120
SECOND_INSTANCE_SECONDS = 30
FADE_LIMIT_SECONDS = 30
Failure = desktops.Failure


def blended(color, alpha):
    return tuple(round(c * alpha / 255 + ROOT_GREY * (255 - alpha) / 255) for c in color)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def client_origin(shot):
    """Finds the green face of 重置 on screen: the client area lies at a known
    offset from it, whatever frame and menu bar the desktop draws."""
    green = blended(FACE_GREEN, WORKING_ALPHA)
    for y in range(shot.height):
        for x in range(shot.width):
            if near(shot.pixel(x, y), green, 6):
                return x - GREEN_FACE[0], y - GREEN_FACE[1]
    raise Failure("the window's green face is nowhere on the screen")


def click(desk, origin, point):
    desk.click(origin[0] + point[0], origin[1] + point[1])
    time.sleep(0.3)


def check_second_instance(desk, program):
    """A second start while the window runs ends by itself, showing nothing."""
    second = desk.start([WINE, program])
    try:
        desk.wait(lambda: second.poll() is not None or desk.windows("提示"),
                  "the second start to end", SECOND_INSTANCE_SECONDS)
    finally:
        desk.stop(second)
    if second.returncode != 0:
        raise Failure(f"a second instance ended with status {second.returncode}, "
                      "or showed the notice")


def use_window(desk, program, screenshot, figures):
    process = desk.start([WINE, program])
    try:
        [notice] = desk.wait_windows("提示", 1, WINDOW_START_SECONDS)
        desk.key("Return", window=notice)
        desk.wait_windows("提示", 0)
        [window] = desk.wait_windows("MD5Zevrin", 1)
        opacity = (desk.prop(window, "_NET_WM_WINDOW_OPACITY") or [None])[0]
        figures["opacity-property"] = opacity
        if opacity != OPACITY_PROPERTY:
            raise Failure(f"window opacity {opacity}, expected {OPACITY_PROPERTY}")
        time.sleep(1)

        origin = client_origin(desk.screenshot())
        table = desk.pixel(origin[0] + TABLE_SPOT[0], origin[1] + TABLE_SPOT[1])
        figures["table-pixel"] = table
        if not near(table, blended((255, 255, 255), WORKING_ALPHA), 2):
            raise Failure(f"white at alpha {WORKING_ALPHA} over grey reads {table}")

        check_second_instance(desk, program)

        copied = None
        for typing_round in range(1, TYPING_ROUNDS + 1):
            click(desk, origin, CLEAR_LABEL)
            desk.focus(window)
            desk.type(TYPED_TEXT, delay_ms=100)
            time.sleep(0.5)
            click(desk, origin, DIGEST_LABEL)
            click(desk, origin, COPY_LOWER32)
            copied = desk.wait(desk.clipboard, "the digest on the clipboard", 10)
            if copied == EXPECTED_LOWER32:
                break
        figures["clipboard"] = copied
        figures["typing-rounds"] = typing_round
        if copied != EXPECTED_LOWER32:
            raise Failure(f"clipboard {copied!r}, expected {EXPECTED_LOWER32}")

        desk.screenshot().save(screenshot)
        # The close button's request, as the window manager delivers it. The
        # window stays, fading, until the program ends itself.
        started = time.monotonic()
        desk.run(["wmctrl", "-i", "-c", str(window.id)])
        time.sleep(0.1)
        if not desk.windows("MD5Zevrin"):
            raise Failure("the window went at once instead of fading")
        desk.wait_windows("MD5Zevrin", 0, FADE_LIMIT_SECONDS)
        figures["fade-ms"] = round((time.monotonic() - started) * 1000)
        try:
            process.wait(timeout=FADE_LIMIT_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure(f"still running {FADE_LIMIT_SECONDS} s after the close request")
    finally:
        desk.stop(process)


def check_program_file(program, product_header, icon_file):
    with open(program, "rb") as exe, open(icon_file, "rb") as icon:
        failures = version_resource_check.check(
            exe.read(), version_resource_check.product_texts(product_header), icon.read())
    listed = subprocess.run(["wrestool", "-l", program], capture_output=True, text=True,
                            check=True).stdout
    languages = {int(found) for found in re.findall(r"--language=(\d+)", listed)}
    if languages != {CHINESE_PRC}:
        failures.append(f"resource languages {sorted(languages)}, expected only {CHINESE_PRC}")
    for kind in ("icon", "group_cursor", "bitmap", "version"):
        if f"type={kind}" not in listed:
            failures.append(f"no {kind} resource in the program file")
    if "--type=24 --name=1 " not in listed:
        failures.append("the manifest is not resource 1 of type 24")
    return failures


def main(argv):
    program, prefix, product_header, icon_file, screenshot = argv[1:6]
    if shutil.which("wrestool") is None:
        print("skipped: wrestool is not installed")
        return 77
    failures = check_program_file(program, product_header, icon_file)
    figures = {}
    try:
        with desktops.Session("wine-openbox+xcompmgr", root=(ROOT_GREY,) * 3,
                              wine_prefix=prefix) as desk:
            # Under Xvfb Wine now and then fails to make a window; one retry.
            for attempt in (1, 2):
                try:
                    use_window(desk, program, screenshot, figures)
                    break
                except Failure as failure:
                    if attempt == 2:
                        failures.append(str(failure))
                    else:
                        print(f"first attempt: {failure}; trying again")
    except desktops.Unavailable as missing:
        print(f"skipped: {missing}")
        return 77
    for name, value in figures.items():
        print(f"{name} {value}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
