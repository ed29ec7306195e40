#!/usr/bin/env python3
"""The Windows program under Wine on a real X server with a compositor, used
as a person uses it:

    end_to_end.py PROGRAM_EXE WINE_SESSION PREFIX PRODUCT_H ICON_FILE SCREENSHOT

On an Xvfb of its own with openbox and xcompmgr over a grey root: answer the
start-up notice, type 中文abc with xdotool, click 加密, click the 复制 of the
32 lower-case digits and read the clipboard with xclip, read a pixel of the
translucent window over the known root color, close the window and time its
fade-out until the window is gone and the process has ended; the screen
before the close is kept in SCREENSHOT. A second start meanwhile must end
silently. Then read the version record and the resources' language back out
of the program file. Prints one line per figure.
"""

import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging"))
import version_resource_check  # noqa: E402

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
SCREEN = (1024, 768)
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
# Debian keeps Wine's launcher in Wine's library folder.
WINE = "/usr/lib/wine/wine64"
FADE_LIMIT_SECONDS = 30


class Failure(Exception):
    pass


def run(command, env, **options):
    return subprocess.run(command, env=env, capture_output=True, text=True, **options)


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    raise Failure(f"timed out waiting for {what}")


def start_display(stack):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
         "-nolisten", "tcp"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stack.append(xvfb)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise Failure("Xvfb did not start")
    env = dict(os.environ, DISPLAY=f":{number}")
    env.pop("WAYLAND_DISPLAY", None)
    run(["hsetroot", "-solid", f"#{ROOT_GREY:02x}{ROOT_GREY:02x}{ROOT_GREY:02x}"], env)
    # Without a window manager Wine waits on every window it hides.
    stack.append(subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    stack.append(subprocess.Popen(["xcompmgr"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL))
    return env


def find_window(env, name):
    found = run(["xdotool", "search", "--onlyvisible", "--name", name], env)
    ids = found.stdout.split()
    return ids[0] if ids else None


def screen_pixels(env):
    shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=env,
                          capture_output=True, check=True)
    return shot.stdout


def pixel(shot, x, y):
    offset = (y * SCREEN[0] + x) * 3
    return tuple(shot[offset:offset + 3])


def blended(color, alpha):
    return tuple(round(c * alpha / 255 + ROOT_GREY * (255 - alpha) / 255) for c in color)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def client_origin(env):
    """Finds the green face of 重置 on screen: the client area lies at a known
    offset from it, whatever frame and menu bar the desktop draws."""
    shot = screen_pixels(env)
    green = blended(FACE_GREEN, WORKING_ALPHA)
    for y in range(SCREEN[1]):
        for x in range(SCREEN[0]):
            if near(pixel(shot, x, y), green, 6):
                return x - GREEN_FACE[0], y - GREEN_FACE[1]
    raise Failure("the window's green face is nowhere on the screen")


def click(env, origin, point):
    x, y = origin[0] + point[0], origin[1] + point[1]
    run(["xdotool", "mousemove", "--sync", str(x), str(y)], env)
    time.sleep(0.1)
    run(["xdotool", "click", "1"], env)
    time.sleep(0.3)


def clipboard(env):
    return run(["xclip", "-o", "-selection", "clipboard"], env, timeout=10).stdout


def start_program(env, session, prefix, program):
    return subprocess.Popen(
        [session, prefix, "--display", WINE, program], env=env,
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)


def check_second_instance(env, prefix, program):
    """A second start while the window runs ends by itself, showing nothing."""
    second = subprocess.Popen(
        [WINE, program], env=dict(env, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all"),
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + SECOND_INSTANCE_SECONDS
    while second.poll() is None and time.monotonic() < deadline:
        if find_window(env, "^提示$"):
            second.kill()
            raise Failure("a second instance showed the notice")
        time.sleep(0.1)
    if second.poll() is None:
        second.kill()
        raise Failure(f"a second instance still runs after {SECOND_INSTANCE_SECONDS} s")
    if second.returncode != 0:
        raise Failure(f"a second instance ended with status {second.returncode}")


def use_window(env, session, prefix, program, screenshot, figures):
    process = start_program(env, session, prefix, program)
    try:
        notice = wait_for("the notice 提示", lambda: find_window(env, "^提示$"),
                          WINDOW_START_SECONDS)
        run(["xdotool", "windowactivate", "--sync", notice], env)
        run(["xdotool", "key", "--window", notice, "Return"], env)
        window = wait_for("the window MD5Zevrin",
                          lambda: None if find_window(env, "^提示$") else
                          find_window(env, "^MD5Zevrin$"), 20)
        opacity = run(["xprop", "-id", window, "_NET_WM_WINDOW_OPACITY"], env).stdout
        figures["opacity-property"] = opacity.split("=")[-1].strip()
        if str(OPACITY_PROPERTY) not in opacity:
            raise Failure(f"window opacity {opacity.strip()!r}, expected {OPACITY_PROPERTY}")
        time.sleep(1)

        origin = client_origin(env)
        table = pixel(screen_pixels(env), origin[0] + TABLE_SPOT[0], origin[1] + TABLE_SPOT[1])
        figures["table-pixel"] = table
        if not near(table, blended((255, 255, 255), WORKING_ALPHA), 2):
            raise Failure(f"white at alpha {WORKING_ALPHA} over grey reads {table}")

        check_second_instance(env, prefix, program)

        copied = None
        for typing_round in range(1, TYPING_ROUNDS + 1):
            click(env, origin, CLEAR_LABEL)
            run(["xdotool", "windowfocus", "--sync", window], env)
            run(["xdotool", "type", "--delay", "100", TYPED_TEXT], env)
            time.sleep(0.5)
            click(env, origin, DIGEST_LABEL)
            click(env, origin, COPY_LOWER32)
            copied = wait_for("the digest on the clipboard",
                              lambda: clipboard(env) if clipboard(env) else None, 10)
            if copied == EXPECTED_LOWER32:
                break
        figures["clipboard"] = copied
        figures["typing-rounds"] = typing_round
        if copied != EXPECTED_LOWER32:
            raise Failure(f"clipboard {copied!r}, expected {EXPECTED_LOWER32}")

        run(["import", "-window", "root", screenshot], env)
        # The close button's request, as the window manager delivers it. The
        # window stays, fading, until the program ends itself.
        started = time.monotonic()
        run(["wmctrl", "-i", "-c", window], env)
        time.sleep(0.1)
        if not find_window(env, "^MD5Zevrin$"):
            raise Failure("the window went at once instead of fading")
        wait_for("the window to fade away", lambda: not find_window(env, "^MD5Zevrin$"),
                 FADE_LIMIT_SECONDS)
        figures["fade-ms"] = round((time.monotonic() - started) * 1000)
        try:
            process.wait(timeout=FADE_LIMIT_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure(f"still running {FADE_LIMIT_SECONDS} s after the close request")
    finally:
        # The session's trap stops Wine's server, and with it the program.
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait()


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
    return failures


def main(argv):
    program, session, prefix, product_header, icon_file, screenshot = argv[1:7]
    failures = check_program_file(program, product_header, icon_file)
    figures = {}
    stack = []
    try:
        env = start_display(stack)
        # Under Xvfb Wine now and then fails to make a window; one retry.
        for attempt in (1, 2):
            try:
                use_window(env, session, prefix, program, screenshot, figures)
                break
            except Failure as failure:
                if attempt == 2:
                    failures.append(str(failure))
                else:
                    print(f"first attempt: {failure}; trying again")
    finally:
        for process in reversed(stack):
            process.terminate()
            process.wait()
    for name, value in figures.items():
        print(f"{name} {value}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
