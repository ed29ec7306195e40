"""Orca, Debian's screen reader, with its default settings, speaking through
speech-dispatcher; and a locale compiled for the session.

What Orca says is logged one utterance a line (session.speech); what reaches
the synthesizer goes to a file instead of a sound card (speech.synthesized).
"""

import json
import os
import shutil
import subprocess
import tempfile
import time

from . import DEADLINE_S, Failure, component, desktop

LOOK_AGAIN_S = 0.05

# Orca started through its Python main(), as /usr/bin/orca does but without
# its check for other Orcas of the same user, which would meet those of
# other sessions on a shared machine. Every utterance goes to the file named
# first, as one JSON string a line; Orca's preferences live in the folder
# named second.
LAUNCHER = r"""
import json, logging, re, sys
from orca import orca

SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)'(?: \{.*\})?$", re.S)

class Said(logging.Handler):
    def __init__(self, path):
        super().__init__()
        self.file = open(path, "a", encoding="utf-8")

    def emit(self, record):
        spoken = SPOKEN.match(record.getMessage())
        if spoken:
            self.file.write(json.dumps(spoken.group(1), ensure_ascii=False) + "\n")
            self.file.flush()

logging.getLogger("speech").addHandler(Said(sys.argv[1]))
manager = orca.getSettingsManager()
manager.activate(sys.argv[2], {})
sys.path.insert(0, manager.getPrefsDir())
sys.exit(orca.main())
"""

# speech-dispatcher's generic module runs a command for every text; this
# one appends the text to a file. The module opens ALSA all the same, which
# is pointed at its null device.
SPEECHD_CONF = """AddModule "file" "sd_generic" "file.conf"
DefaultModule file
AudioOutputMethod "alsa"
"""
MODULE_CONF = """GenericExecuteSynth "printf '%%s\\\\n' \\'$DATA\\' >> %s"
GenericLanguage "zh" "zh" "utf-8"
GenericLanguage "en" "en" "utf-8"
AddVoice "zh" "MALE1" "zh"
AddVoice "en" "MALE1" "en"
"""
ASOUNDRC = "pcm.!default { type null }\nctl.!default { type hw card 0 }\n"


@component("locale", tools=["localedef"])
def locale(session, name="zh_CN.UTF-8"):
    """The locale name for every program of the session, compiled once into
    the folder of session option locales= (else the session's own)."""
    folder = session.options.get("locales") or session.path("locales", folder=True)
    target = os.path.join(folder, name)
    if not os.path.isdir(target):
        os.makedirs(folder, exist_ok=True)
        scratch = tempfile.mkdtemp(dir=folder)
        source, charmap = name.split(".")
        subprocess.run(["localedef", "-i", source, "-f", charmap,
                        os.path.join(scratch, name)], check=True, stdout=subprocess.DEVNULL)
        try:
            os.rename(os.path.join(scratch, name), target)
        except OSError:
            pass  # another session made it meanwhile
        shutil.rmtree(scratch, ignore_errors=True)
    for variable in [v for v in session.env if v.startswith("LC_")] + ["LANGUAGE"]:
        session.env.pop(variable, None)
    session.env.update(LANG=name, LOCPATH=folder)


@component("orca", tools=["orca", "speech-dispatcher"])
def orca(session):
    """Waits until Orca has said its first word: it listens from then on."""
    config = session.path("config", "speech-dispatcher", "modules", folder=True)
    with open(os.path.join(os.path.dirname(config), "speechd.conf"), "w") as conf:
        conf.write(SPEECHD_CONF)
    with open(os.path.join(config, "file.conf"), "w") as conf:
        conf.write(MODULE_CONF % session.path("synthesized.txt"))
    with open(session.path(".asoundrc"), "w") as alsa:
        alsa.write(ASOUNDRC)
    # A program learns of the screen reader as on a desktop.
    session.env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    session.speech = Speech(session.path("said.txt"), session.path("synthesized.txt"))
    session.spawn(["/usr/bin/python3", "-c", LAUNCHER, session.speech.path,
                   session.path("orca", folder=True)], log="orca")
    session.speech.expect(lambda said: True, what="Orca's first word")


desktop("openbox+orca", "locale", "xvfb", "openbox", "dbus", "a11y", "orca")


class Speech:
    """What Orca said, utterance by utterance, and a cursor through it:
    expect() waits for the next utterance that matches and moves past it."""

    def __init__(self, path, synthesizer):
        self.path, self.synthesizer, self.cursor = path, synthesizer, 0

    def said(self):
        try:
            with open(self.path, encoding="utf-8") as said:
                return [json.loads(line) for line in said if line.endswith("\n")]
        except FileNotFoundError:
            return []

    def expect(self, wanted, what=None, seconds=DEADLINE_S):
        """wanted: the exact utterance (spaces around it aside), or a test
        of one. Returns the utterance."""
        matches = wanted if callable(wanted) else lambda said: said.strip() == wanted
        end = time.monotonic() + seconds
        while True:
            said = self.said()
            for index in range(self.cursor, len(said)):
                if matches(said[index]):
                    self.cursor = index + 1
                    return said[index]
            if time.monotonic() > end:
                raise Failure("Orca did not say %s; after the last step it said %s"
                              % (what or repr(wanted), said[self.cursor:]))
            time.sleep(LOOK_AGAIN_S)

    def synthesized(self):
        """Every text that reached the synthesizer."""
        try:
            with open(self.synthesizer, encoding="utf-8") as texts:
                return texts.read()
        except FileNotFoundError:
            return ""
