#!/usr/bin/env python3
"""Installs the build into a scratch prefix and checks what a desktop reads
there: both programs, the desktop entry naming them and the icon, the icon
at every theme size, the metainfo launching the entry, and the documents
(documents_check); with appstreamcli, the tree as a software centre reads it.
The window program must name the same desktop entry (MAIN_CPP), or desktops
show it without its icon.

    install_tree_check.py CMAKE BUILD_DIR SCRATCH_PREFIX MAIN_CPP LICENSE [APPSTREAMCLI]
"""

import configparser
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

from documents_check import VERSION, check_documents

APP_ID = "io.github.zevrin.MD5Zevrin"
PROGRAMS = ("md5zevrin", "md5zevrin-cli")
PNG_SIZES = (32, 64, 128, 256)


def png_size(path):
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as png:
        head = png.read(24)
    valid = head.startswith(b"\x89PNG\r\n\x1a\n") and head[12:16] == b"IHDR"
    return struct.unpack(">II", head[16:24]) if valid else "not a PNG"


def check_tree(prefix, main_cpp):
    share = os.path.join(prefix, "share")
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(os.path.join(share, "applications", APP_ID + ".desktop"), encoding="utf-8")
    group = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
    metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    info = ElementTree.parse(metainfo).getroot() if os.path.isfile(metainfo) else ElementTree.Element("")
    release = info.find("releases/release")
    with open(main_cpp, encoding="utf-8") as source:
        names_entry = f'setDesktopFileName(QStringLiteral("{APP_ID}"))' in source.read()
    svg = os.path.join(share, "icons", "hicolor", "scalable", "apps", APP_ID + ".svg")
    # (what, found, wanted)
    rows = [(f"{program} executable", os.access(os.path.join(prefix, "bin", program), os.X_OK), True)
            for program in PROGRAMS]
    rows += [(f"the {size} pixel icon", png_size(os.path.join(
        share, "icons", "hicolor", f"{size}x{size}", "apps", APP_ID + ".png")), (size, size))
             for size in PNG_SIZES]
    rows += [
        ("the scalable icon", os.path.isfile(svg) and ElementTree.parse(svg) is not None, True),
        ("the desktop entry's program", group.get("Exec", "").split()[:1], [PROGRAMS[0]]),
        ("the desktop entry's icon", group.get("Icon"), APP_ID),
        ("the window program names the entry", names_entry, True),
        ("metainfo id", info.findtext("id"), APP_ID),
        ("metainfo launchable", info.findtext("launchable"), APP_ID + ".desktop"),
        ("metainfo release", release is not None and release.get("version"), VERSION),
        ("metainfo licence", info.findtext("project_license"), "MIT"),
    ]
    return [f"{what}: {found!r}, expected {wanted!r}" for what, found, wanted in rows
            if found != wanted]


def main(argv):
    cmake, build_dir, prefix, main_cpp, license_path = argv[1:6]
    appstreamcli = argv[6] if len(argv) > 6 and os.path.isfile(argv[6]) else None
    shutil.rmtree(prefix, ignore_errors=True)
    installed = subprocess.run([cmake, "--install", build_dir, "--prefix", prefix],
                               capture_output=True, text=True)
    if installed.returncode != 0:
        print(installed.stdout + installed.stderr, file=sys.stderr)
        return 1

    failures = check_tree(prefix, main_cpp) + check_documents(prefix, license_path)
    if appstreamcli:
        validated = subprocess.run([appstreamcli, "validate-tree", "--no-net", prefix])
        failures += ["appstreamcli validate-tree failed"] if validated.returncode else []
    print("\n".join(failures + [f"{len(failures)} failures in the install tree under {prefix}"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
