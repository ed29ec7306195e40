"""The documents an installed tree carries for Debian: the copyright file
against LICENSE, the changelog, the manual pages against the program's
--help and JSON keys. lintian judges their form in the packages."""

import gzip
import json
import os
import re
import subprocess

PACKAGE = "md5zevrin"
VERSION = "1.03.0026"
DEP5_FORMAT = "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"


def read_gzip(path, failures):
    """The text of a gzip file, or None. (lintian judges its compression.)"""
    if not os.path.isfile(path):
        failures.append(f"{path} is missing")
        return None
    with gzip.open(path, "rt", encoding="utf-8") as text:
        return text.read()


def license_parts(license_path):
    """LICENSE's copyright line as (year, holder) and its terms."""
    with open(license_path, encoding="utf-8") as license_file:
        title, _, copyright_line, _, *terms = license_file.read().rstrip("\n").split("\n")
    found = re.fullmatch(r"Copyright \(c\) (\d{4}) (.+)", copyright_line)
    return title, (found.group(1), found.group(2)) if found else None, "\n".join(terms)


def dep5_paragraphs(text):
    """Each paragraph as a dict; a field's continuation lines lose their first
    space, and a line of "." is an empty line."""
    paragraphs = []
    for block in text.strip("\n").split("\n\n"):
        fields, name = {}, None
        for line in block.split("\n"):
            if line.startswith(" ") and name:
                fields[name] += "\n" + ("" if line == " ." else line[1:])
            else:
                name, _, value = line.partition(":")
                fields[name] = value.strip()
        paragraphs.append(fields)
    return paragraphs


def check_copyright(doc_dir, license_path):
    path = os.path.join(doc_dir, "copyright")
    if not os.path.isfile(path):
        return [f"{path} is missing"]
    title, (year, holder), terms = license_parts(license_path)
    with open(path, encoding="utf-8") as copyright_file:
        header, *paragraphs = dep5_paragraphs(copyright_file.read())
    rows = [("LICENSE's title", title, "MIT License"),
            (f"{path}: Format", header.get("Format"), DEP5_FORMAT),
            (f"{path}: Files paragraphs", [(p["Files"], p.get("Copyright"), p.get("License"))
                                           for p in paragraphs if "Files" in p],
             [("*", f"{year} {holder}", "Expat")]),
            (f"{path}: licence paragraphs", [p.get("License", "").split("\n", 1)
                                             for p in paragraphs if "Files" not in p],
             [["Expat", terms]])]
    return [f"{what}: {found!r}, expected {wanted!r}" for what, found, wanted in rows
            if found != wanted]


def check_changelog(doc_dir):
    failures = []
    path = os.path.join(doc_dir, "changelog.gz")
    text = read_gzip(path, failures)
    if text is not None and not re.match(
            rf"{PACKAGE} \({re.escape(VERSION)}\) \w+; urgency=\w+\n\n  \* .+\n\n -- .+ <.+@.+>  "
            r"\w{3}, \d\d \w{3} \d{4} \d\d:\d\d:\d\d [+-]\d{4}\n$", text, re.DOTALL):
        failures.append(f"{path} is not one changelog entry for {VERSION}:\n{text}")
    return failures


def roff_text(page):
    """The page's words as a reader sees them, near enough to find options:
    escaped minus signs and font changes undone."""
    text = re.sub(r"\\f(\[[^]]*\]|.)", "", page)
    text = re.sub(r"\\[/,]", "", text)
    return text.replace("\\-", "-").replace("\\(lq", '"').replace("\\(rq", '"')


def options_in_help(program):
    """Every option --help names, in its options section."""
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True,
                               check=True).stdout
    section = help_text.split("Options:", 1)[1].split("\n\n", 1)[0]
    return re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", section)


def json_keys(program):
    report = subprocess.run([program, "--json", "x"], capture_output=True, text=True,
                            check=True).stdout
    return list(json.loads(report))


def check_manual_pages(prefix):
    failures = []
    man_dir = os.path.join(prefix, "share", "man", "man1")
    pages = {}
    for program in (PACKAGE, PACKAGE + "-cli"):
        page = read_gzip(os.path.join(man_dir, program + ".1.gz"), failures)
        if page is not None:
            pages[program] = roff_text(page)
    cli_page = pages.get(PACKAGE + "-cli", "")
    options = options_in_help(os.path.join(prefix, "bin", PACKAGE + "-cli"))
    if "--json" not in options:
        failures.append(f"no options found in the --help of {PACKAGE}-cli: {options}")
    for option in options:
        if not re.search(rf"(?<![\w-]){re.escape(option)}(?![\w-])", cli_page):
            failures.append(f"the page of {PACKAGE}-cli does not name {option}")
    sections = dict(re.findall(r'^\.SH "?([^"\n]+)"?\n(.*?)(?=^\.SH |\Z)', cli_page,
                               re.MULTILINE | re.DOTALL))
    for section in ("OPTIONS", "EXIT STATUS", "EXAMPLES", "JSON KEYS"):
        if section not in sections:
            failures.append(f"the page of {PACKAGE}-cli has no {section} section")
    for key in json_keys(os.path.join(prefix, "bin", PACKAGE + "-cli")):
        if not re.search(rf"\b{key}\b", sections.get("JSON KEYS", "")):
            failures.append(f"the page of {PACKAGE}-cli does not explain the JSON key {key}")
    if "takes no options of its own" not in pages.get(PACKAGE, ""):
        failures.append(f"the page of {PACKAGE} does not say it takes no options")
    return failures


def check_documents(prefix, license_path):
    completion = os.path.join(prefix, "share", "bash-completion", "completions", PACKAGE + "-cli")
    failures = [] if os.path.isfile(completion) else [f"{completion} is missing"]
    # Each package has its documents in a folder of its own name.
    for package in (PACKAGE, PACKAGE + "-cli"):
        doc_dir = os.path.join(prefix, "share", "doc", package)
        failures += check_copyright(doc_dir, license_path) + check_changelog(doc_dir)
    return failures + check_manual_pages(prefix)
