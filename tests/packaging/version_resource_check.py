#!/usr/bin/env python3
"""The version record, icon and manifest read back out of the Windows program
file, or of the resource script compiled by mingw-w64's windres; the record
parsed as Windows parses it (nested length-prefixed blocks).

    version_resource_check.py PRODUCT_H ICON_FILE PROGRAM_EXE
    version_resource_check.py PRODUCT_H ICON_FILE RC_FILE WINDRES OUTPUT_OBJECT
"""

import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

VERSION_TEXT = "1.03.0026"
FILE_VERSION = (1, 3, 26, 0)
STRING_BLOCK = "080404B0"
TRANSLATION = (0x0804, 0x04B0)
PRODUCT_NAME = "MD5Zevrin"
FIXED_INFO_SIGNATURE = 0xFEEF04BD
BLOCK_HEADER = struct.Struct("<HHH")


def align4(offset, base):
    return base + (offset - base + 3) // 4 * 4


def read_block(data, start, base):
    """One version block: (key, value bytes, is text, children, end)."""
    length, value_length, kind = BLOCK_HEADER.unpack_from(data, start)
    end = start + length
    key_end = start + BLOCK_HEADER.size
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[start + BLOCK_HEADER.size:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2, base)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_start:value_start + value_size]
    children = []
    child = align4(value_start + value_size, base)
    while child < end:
        block = read_block(data, child, base)
        children.append(block)
        child = align4(block[4], base)
    return key, value, kind == 1, children, end


def product_texts(header_path):
    with open(header_path, encoding="utf-8") as header:
        return dict(re.findall(r'(k\w+) =\s+u"([^"]*)"', header.read()))


ASSEMBLY = "{urn:schemas-microsoft-com:asm.v1}"
TRUST = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


# What Windows reads from the manifest, and what it must find: visual
# styles, per-monitor DPI awareness (and its older form), Windows 10/11 and
# no raised rights. (name, element, its reading or None to pass it, wanted)
MANIFEST = [
    ("common controls", ASSEMBLY + "assemblyIdentity",
     lambda e: e.get("name") == "Microsoft.Windows.Common-Controls" and e.get("version"), "6.0.0.0"),
    ("dpiAwareness", SETTINGS_2016 + "dpiAwareness", lambda e: e.text.split(",")[0].strip(),
     "PerMonitorV2"),
    ("dpiAware", SETTINGS_2005 + "dpiAware", lambda e: e.text.strip(), "true/pm"),
    ("Windows 10/11", COMPATIBILITY + "supportedOS", lambda e: e.get("Id") == WINDOWS_10, True),
    ("execution level", TRUST + "requestedExecutionLevel", lambda e: e.get("level"), "asInvoker"),
]


def manifest_failures(data):
    start, end = data.find(b"<?xml"), data.find(b"</assembly>")
    if start < 0 or end < 0:
        return ["no application manifest"]
    try:
        root = ElementTree.fromstring(data[start:end + len(b"</assembly>")])
    except ElementTree.ParseError as error:
        return [f"the manifest is not well-formed XML: {error}"]
    found = {name: [reading for e in root.iter(tag) if (reading := read(e))]
             for name, tag, read, _ in MANIFEST}
    return [f"manifest {name}: {found[name]}, expected {wanted}"
            for name, _, _, wanted in MANIFEST if found[name] != [wanted]]


def check(obj, product, icon):
    failures = []

    def expect(what, actual, wanted):
        if actual != wanted:
            failures.append(f"{what}: {actual!r}, expected {wanted!r}")

    start = obj.find("VS_VERSION_INFO".encode("utf-16-le"))
    if start < 0:
        return ["no VS_VERSION_INFO record in the object"]
    start -= BLOCK_HEADER.size
    key, fixed, _, children, _ = read_block(obj, start, start)

    fields = struct.unpack_from("<13I", fixed)
    expect("fixed info signature", fields[0], FIXED_INFO_SIGNATURE)
    as_words = lambda high, low: (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    expect("FILEVERSION", as_words(fields[2], fields[3]), FILE_VERSION)
    expect("PRODUCTVERSION", as_words(fields[4], fields[5]), FILE_VERSION)

    by_key = {child[0]: child for child in children}
    string_info, var_info = by_key.get("StringFileInfo"), by_key.get("VarFileInfo")
    if not string_info or not var_info:
        return failures + [f"blocks present: {sorted(by_key)}"]
    expect("string blocks", [table[0] for table in string_info[3]], [STRING_BLOCK])
    strings = {entry[0]: entry[1].decode("utf-16-le").rstrip("\0") for entry in string_info[3][0][3]}
    for name, text in (("FileVersion", VERSION_TEXT), ("ProductVersion", VERSION_TEXT),
                       ("ProductName", PRODUCT_NAME), ("CompanyName", product["kDeveloperHandle"]),
                       ("LegalCopyright", product["kRightsNotice"]),
                       ("LegalTrademarks", product["kLegalNotice"])):
        expect(name, strings.get(name), text)
    if not strings.get("FileDescription"):
        failures.append("FileDescription is empty")

    translations = {entry[0]: entry[1] for entry in var_info[3]}
    expect("Translation", struct.unpack("<HH", translations.get("Translation", b"\0" * 4)),
           TRANSLATION)

    return failures + icon_failures(obj, icon) + manifest_failures(obj)


def icon_failures(obj, icon):
    """Each image of the icon file is stored as it is, and Windows finds one
    drawn at its exact size for each scale from 100 to 200 %, so that the
    title bar and the task bar never show an enlargement."""
    failures, sizes = [], set()
    for index in range(struct.unpack_from("<H", icon, 4)[0]):
        width, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", icon, 6 + 16 * index)
        sizes.add(width or 256)
        if icon[offset:offset + size] not in obj:
            failures.append(f"the icon's {width or 256} pixel image is not in the object")
    for dpi in (96, 120, 144, 168, 192):
        if 32 * dpi // 96 not in sizes:
            failures.append(f"no {32 * dpi // 96} pixel icon for {dpi} dpi, only {sorted(sizes)}")
    return failures


def resource_list_failures(program):
    """The program file's resources as wrestool lists them: all in Chinese
    (PRC), the kinds the window draws, and the manifest where Windows looks."""
    listed = subprocess.run(["wrestool", "-l", program], capture_output=True, text=True,
                            check=True).stdout
    languages = {int(found) for found in re.findall(r"--language=(\d+)", listed)}
    failures = [] if languages == {TRANSLATION[0]} else [f"resource languages {languages}"]
    failures += [f"no {kind} resource" for kind in ("icon", "group_cursor", "bitmap", "version")
                 if f"type={kind}" not in listed]
    if "--type=24 --name=1 " not in listed:
        failures.append("the manifest is not resource 1 of type 24")
    return failures


def main(argv):
    header_path, icon_path, path, *windres = argv[1:]
    if windres:
        compiled = subprocess.run([windres[0], "--preprocessor=cpp", "-O", "coff", "-i", path,
                                   "-o", windres[1]], capture_output=True, text=True)
        if compiled.returncode != 0:
            print(compiled.stdout + compiled.stderr + f"windres failed on {path}", file=sys.stderr)
            return 1
    with open(windres[1] if windres else path, "rb") as compiled, open(icon_path, "rb") as icon:
        failures = check(compiled.read(), product_texts(header_path), icon.read())
    failures += [] if windres else resource_list_failures(path)
    print("\n".join(failures + [f"{len(failures)} failures in the resources of {path}"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
