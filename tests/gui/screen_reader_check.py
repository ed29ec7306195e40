#!/usr/bin/python3
"""The window as a blind user meets it: keyboard only, with Orca (default
settings) speaking Chinese. Each step is keys, then what Orca says next.

    screen_reader_check.py --program PATH --scratch DIR
"""

import hashlib
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import desktops  # noqa: E402

PASTED, TYPED = "中文", "abc"
SAMPLE = PASTED + TYPED
CONVERTED = b"ZWABC"  # 中 and 文 become the initials of their readings
# Qt hands every key to the screen reader first and waits this long for its
# answer before it goes on without; an answer that comes later is taken for
# the next key's, which is lost if the reader kept the late one for itself.
# So a step's keys wait for the answers to the step before.
KEY_ANSWER_S = 0.1


def steps(digest):
    """(keys or text to type, what Orca says next)."""
    lower16, upper16 = digest[8:24], digest[8:24].upper()
    return [
        ([], ["警告 提示.", lambda said: said.startswith("MD5并不支持加密中文"), "确定 按钮."]),
        (["Return"], ["MD5Zevrin 框架.", "在此处输入要加密的字符串 文本."]),
        (["ctrl+v"], ["左 Control 键"]),
        (TYPED, list(TYPED)),
        (["Return"], ["通知 ZWABC，32位 小写 %s." % digest]),
        (["Tab"], ["加密 按钮."]),
        # Flat review, from the focus's line down, one line a key. The focus
        # is not in the box: Qt hands it the keys the reader answers late.
        (["KP_Subtract"], ["进入平铺浏览模式。"]),
        (["KP_Page_Up"], ["25"]),
        (["KP_Page_Up"], [SAMPLE]),
        (["KP_Page_Up"], ["%s 复制 16位 小写" % lower16]),
        (["KP_Page_Up"], ["%s 复制 16位 大写" % upper16]),
        (["KP_Page_Up"], ["%s 复制 32位 小写" % digest]),
        (["KP_Page_Up"], ["%s 复制 32位 大写" % digest.upper()]),
        (["KP_Subtract"], ["离开平铺浏览。"]),
        (["Tab"] * 4, ["复制 32位 小写 按钮."]),
        (["space"], ["通知 已复制 32位 小写."]),
        # Back in the box, its whole text.
        (["shift+Tab"] * 5, ["在此处输入要加密的字符串 文本.", SAMPLE + " 已选中."]),
        (["Tab"] * 2, ["重置 按钮."]),
        (["space"], ["通知 已重置."]),
        (["shift+Tab"], ["加密 按钮."]),
        (["space"], ["通知 输入的字符不能为空."]),
        # A box of the menu is read whole, with its button.
        (["alt+g"], ["MD5是什么?"]),
        (["Up"], ["(C)程序版权."]),
        (["Return"], ["警告 关于 MD5Zevrin.", lambda said: said.startswith("MD5Zevrin\n\n"),
                      "确定 按钮."]),
    ]


def press(desk, keys):
    """A menu's Alt+letter acts as a shortcut, before Qt hands keys to the
    reader: Alt is held until its own answer is in, as a person holds it."""
    for key in keys:
        if key.startswith("alt+"):
            desk.xdotool("keydown", "alt")
            time.sleep(2 * KEY_ANSWER_S)
            desk.xdotool("key", key[len("alt+"):])
            desk.xdotool("keyup", "alt")
        else:
            desk.key(key)


def run(desk, program, digest):
    with open(desk.path("pasted.txt"), "w") as pasted:
        pasted.write(PASTED)
    desk.spawn(["xclip", "-selection", "clipboard", "-i", desk.path("pasted.txt")])
    desk.wait(lambda: desk.clipboard() == PASTED, "the text to paste on the clipboard")
    start = time.monotonic()
    desk.start([program])
    for keys, utterances in steps(digest):
        time.sleep(2 * KEY_ANSWER_S)
        if isinstance(keys, str):
            desk.type(keys)
        else:
            press(desk, keys)
        for wanted in utterances:
            said = desk.speech.expect(wanted)
            print("%5.2f s  %-16s %s" % (time.monotonic() - start, " ".join(keys), said))
        if "通知 已复制" in utterances[0]:
            desk.wait(lambda: desk.clipboard() == digest, "the copied digest on the clipboard")
    desk.wait(lambda: "输入的字符不能为空" in desk.speech.synthesized(),
              "the warning at the synthesizer")


def main(args):
    with desktops.Session("openbox+orca", locales=os.path.join(args.scratch, "locale")) as desk:
        try:
            run(desk, args.program, hashlib.md5(CONVERTED).hexdigest())
        except desktops.Failure:
            print(desk.log())
            raise


if __name__ == "__main__":
    desktops.run_test(main, "scratch")
