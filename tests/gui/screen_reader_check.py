#!/usr/bin/python3
"""The window program as a screen reader meets it, through AT-SPI.

Runs the built program on a desktop of its own with the accessibility bus
(tools/desktops), in a Chinese locale compiled into a scratch folder. Every step goes through AT-SPI, as a screen reader does: the start-up
notice's button is read ("确定") and pressed, the text is set, 加密 is pressed,
the five rows are read back and checked against MD5, a rendition is copied,
and a menu command that opens a box answers its press before the box shows.

    screen_reader_check.py --program PATH --scratch DIR

Exit status 77 (skipped) when a tool it needs is missing.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402

SKIPPED = 77
LOCALE = "zh_CN.UTF-8"
SAMPLE = "中文abc"
SAMPLE_CONVERTED = b"ZWABC"
ROW_CAPTIONS = ["字符串", "16位 小写", "16位 大写", "32位 小写", "32位 大写"]
WAIT_SECONDS = 20
POLL_SECONDS = 0.05
# Long enough for a busy machine, far shorter than a request that waits for a
# box to be closed: that one would never be answered.
REPLY_TIMEOUT_MS = 8000


def skip(why):
    print(f"skipped: {why}")
    sys.exit(SKIPPED)


def fail(why):
    print(f"FAIL: {why}")
    sys.exit(1)


def wait_for(what, probe):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the tree changes under the walk
            found = None
        if found:
            return found
        time.sleep(POLL_SECONDS)
    fail(f"timed out waiting for {what}")


def compile_locale(scratch):
    """A Chinese locale in a folder of the build; the system's stay untouched."""
    folder = os.path.join(scratch, "locale")
    if not os.path.isdir(os.path.join(folder, LOCALE)):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8",
                        os.path.join(folder, LOCALE)], check=True,
                       stdout=subprocess.DEVNULL)
    return folder


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def find(node, role, name=None):
    for each in descendants(node):
        if each.getRoleName() == role and (name is None or each.name == name):
            return each
    return None


def text_of(node):
    return node.queryText().getText(0, -1)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            action.doAction(i)
            return
    fail(f"{node.name} has no Press action")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--scratch", required=True)
    args = parser.parse_args()

    for tool in ("localedef", "xclip"):
        if shutil.which(tool) is None:
            skip(f"{tool} is not installed")
    os.makedirs(args.scratch, exist_ok=True)
    locales = compile_locale(args.scratch)
    try:
        desk = desktops.Session("xvfb+a11y")
    except desktops.Unavailable as missing:
        skip(missing)
    with desk:
        os.environ.update(desk.env)
        try:
            import pyatspi
        except ImportError:
            skip("python3-pyatspi is not installed")
        program = desk.start([args.program], env={
            "LANG": LOCALE, "LOCPATH": locales, "QT_QPA_PLATFORM": "xcb", "LC_ALL": None,
            "LC_MESSAGES": None, "LANGUAGE": None})
        check(pyatspi, program)
    print("ok")


def check(pyatspi, program):
    pyatspi.setTimeout(REPLY_TIMEOUT_MS, REPLY_TIMEOUT_MS)

    def application():
        for each in pyatspi.Registry.getDesktop(0):
            if each is not None and each.get_process_id() == program.pid:
                return each
        return None

    app = wait_for("the program on the accessibility bus", application)

    # The start-up notice, dismissed as a screen-reader user does.
    notice = wait_for("the start-up notice", lambda: find(app, "alert", "提示"))
    ok = find(notice, "push button")
    if ok is None or ok.name != "确定":
        fail(f"the notice's button reads {ok and ok.name!r}, not '确定'")
    press(ok)
    wait_for("the notice to close", lambda: find(app, "alert", "提示") is None)

    window = find(app, "frame", "MD5Zevrin")
    client = wait_for("the client area", lambda: find(window, "filler"))
    names = [child.name for child in client]
    for hidden in ("235", "$1", "@1", ""):
        if hidden in names:
            fail(f"the tree holds {hidden!r}: {names}")

    find(client, "text").queryEditableText().setTextContents(SAMPLE)
    counter = find(client, "label", "还可输入的字符数")
    wait_for("the counter to read 25", lambda: text_of(counter) == "25")

    press(find(client, "push button", "加密"))
    rows = [find(client, "label", caption) for caption in ROW_CAPTIONS]
    wait_for("the rows to show the digest", lambda: text_of(rows[0]) == SAMPLE)
    upper = hashlib.md5(SAMPLE_CONVERTED).hexdigest().upper()
    expected = [SAMPLE, upper[8:24].lower(), upper[8:24], upper.lower(), upper]
    read = [text_of(row) for row in rows]
    if read != expected:
        fail(f"rows read {read}, not {expected}")
    for caption, value in zip(ROW_CAPTIONS, read):
        print(f"{caption}: {value}")

    copy = find(client, "push button", "复制 32位 小写")
    if not copy.getState().contains(pyatspi.STATE_ENABLED):
        fail("the copy button is greyed after a digest")
    press(copy)
    clipboard = lambda: subprocess.run(["xclip", "-o", "-selection", "clipboard"],
                                       capture_output=True, text=True).stdout
    wait_for("the clipboard to hold the 32 lower-case digits",
             lambda: clipboard() == upper.lower())

    # The press must be answered while the box it opens is still up.
    menu = find(window, "menu item", "联系开发者...")
    try:
        press(menu)
    except Exception as error:
        fail(f"the menu command did not answer its press: {error}")
    contact = wait_for("the contact box", lambda: find(app, "alert", "联系开发者"))
    press(find(contact, "push button", "确定"))
    wait_for("the contact box to close", lambda: find(app, "alert", "联系开发者") is None)


if __name__ == "__main__":
    main()
