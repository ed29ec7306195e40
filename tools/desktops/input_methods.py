"""Chinese input methods on the session's bus: fcitx5 with its pinyin
engine, active from the first key."""

import os

from . import Failure, component, desktop

FCITX_PROFILE = """[Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=pinyin
Layout=

[GroupOrder]
0=Default
"""


@component("fcitx5", tools=["fcitx5", "gdbus"])
def fcitx5(session):
    """Programs pick it up by XMODIFIERS or by its name on the bus; the
    session sets neither, QT_IM_MODULE, GTK_IM_MODULE: the caller says."""
    folder = os.path.join(session.env["XDG_CONFIG_HOME"], "fcitx5")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "profile"), "w") as profile:
        profile.write(FCITX_PROFILE)
    process = session.spawn(["fcitx5", "--disable=notificationitem,kimpanel,wayland"])
    if session.run(["gdbus", "wait", "--session", "--timeout", "30",
                    "org.fcitx.Fcitx5"]).returncode:
        raise Failure("fcitx5 did not start:\n" + session.output(process))


desktop("xvfb+fcitx5", "xvfb", "dbus", "fcitx5")
