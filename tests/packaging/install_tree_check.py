#!/usr/bin/env python3
"""Installs the build into a scratch prefix and checks what a desktop needs
there: both programs, the desktop entry naming an installed program and
icon, the icon at every theme size, and the metainfo launching the entry.

    install_tree_check.py CMAKE BUILD_DIR SCRATCH_PREFIX MAIN_CPP LICENSE [APPSTREAMCLI]

The window program must name the same desktop entry (MAIN_CPP), or desktops
show it without its icon. The documents a Debian package needs (copyright,
changelog, manual pages, completion) are checked by documents_check. With appstreamcli, the whole tree is also
validated as a software centre would read it.
"""

import configparser
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

from documents_check import check_documents

APP_ID = "io.github.zevrin.MD5Zevrin"
PROGRAMS = ("md5zevrin", "md5zevrin-cli")
PNG_SIZES = (32, 64, 128, 256)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(path):
    with open(path, "rb") as png:
        head = png.read(24)
    if not head.startswith(PNG_SIGNATURE) or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check_tree(prefix):
    failures = []
    share = os.path.join(prefix, "share")

    for program in PROGRAMS:
        path = os.path.join(prefix, "bin", program)
        if not os.access(path, os.X_OK):
            failures.append(f"{path} is missing or not executable")

    icon_dir = os.path.join(share, "icons", "hicolor")
    for size in PNG_SIZES:
        path = os.path.join(icon_dir, f"{size}x{size}", "apps", APP_ID + ".png")
        if not os.path.isfile(path):
            failures.append(f"{path} is missing")
        elif png_size(path) != (size, size):
            failures.append(f"{path} is {png_size(path)}, expected {size}x{size}")
    svg = os.path.join(icon_dir, "scalable", "apps", APP_ID + ".svg")
    if not os.path.isfile(svg):
        failures.append(f"{svg} is missing")
    else:
        ElementTree.parse(svg)

    entry_path = os.path.join(share, "applications", APP_ID + ".desktop")
    if not os.path.isfile(entry_path):
        return failures + [f"{entry_path} is missing"]
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(entry_path, encoding="utf-8")
    group = entry["Desktop Entry"]
    executable = group.get("Exec", "").split()[0]
    if executable != PROGRAMS[0]:
        failures.append(f"Exec runs {executable!r}, not the window program")
    if group.get("Icon") != APP_ID:
        failures.append(f"Icon is {group.get('Icon')!r}, expected {APP_ID!r}")

    metainfo_path = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
    if not os.path.isfile(metainfo_path):
        return failures + [f"{metainfo_path} is missing"]
    component = ElementTree.parse(metainfo_path).getroot()
    if component.findtext("id") != APP_ID:
        failures.append(f"metainfo id is {component.findtext('id')!r}")
    if component.findtext("launchable") != APP_ID + ".desktop":
        failures.append(f"metainfo launches {component.findtext('launchable')!r}")
    release = component.find("releases/release")
    if release is None or release.get("version") != "1.03.0026":
        failures.append("metainfo lacks the release 1.03.0026")
    if component.findtext("project_license") != "MIT":
        failures.append(f"metainfo names the licence {component.findtext('project_license')!r}")
    return failures


def check_program_names_entry(main_cpp):
    with open(main_cpp, encoding="utf-8") as source:
        if f'setDesktopFileName(QStringLiteral("{APP_ID}"))' not in source.read():
            return [f"{main_cpp} does not name the desktop entry {APP_ID}"]
    return []


def main(argv):
    cmake, build_dir, prefix, main_cpp, license_path = argv[1:6]
    appstreamcli = argv[6] if len(argv) > 6 and os.path.isfile(argv[6]) else None
    shutil.rmtree(prefix, ignore_errors=True)
    installed = subprocess.run([cmake, "--install", build_dir, "--prefix", prefix],
                               capture_output=True, text=True)
    if installed.returncode != 0:
        print(installed.stdout + installed.stderr, file=sys.stderr)
        return 1

    failures = (check_tree(prefix) + check_program_names_entry(main_cpp) +
                check_documents(prefix, license_path))
    if appstreamcli:
        validated = subprocess.run([appstreamcli, "validate-tree", "--no-net", prefix],
                                   capture_output=True, text=True)
        print(validated.stdout + validated.stderr)
        if validated.returncode != 0:
            failures.append("appstreamcli validate-tree failed")
    else:
        print("appstreamcli not found: the tree was not validated")
    for failure in failures:
        print(failure, file=sys.stderr)
    print(f"{len(failures)} failures in the install tree under {prefix}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
