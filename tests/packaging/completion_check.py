#!/usr/bin/env python3
"""The bash completion of md5zevrin-cli, driven as bash does on a Tab, offers
what the program accepts: the options its --help names, the fields its
usage error lists.

    completion_check.py BASH_COMPLETION_LIBRARY COMPLETION CLI
"""

import shlex
import subprocess
import sys

from documents_check import options_in_help

# Words as bash splits a command line for completion: "=" is a word of its own.
COMPLETE = r"""
source "$1"; source "$2"; shift 2
COMP_WORDS=("$@")
COMP_CWORD=$(($# - 1))
COMP_LINE=$LINE
COMP_POINT=${#COMP_LINE}
_md5zevrin_cli md5zevrin-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
"""


def offered(library, completion, *words):
    line = " ".join(("md5zevrin-cli",) + words).replace(" = ", "=")
    done = subprocess.run(["bash", "-c", COMPLETE, "complete", library, completion,
                           "md5zevrin-cli", *words], capture_output=True, text=True,
                          env={"LINE": line, "PATH": "/usr/bin:/bin"})
    if done.returncode != 0 or done.stderr:
        raise RuntimeError(f"completing {shlex.join(words)}: {done.stderr}")
    return sorted(word for word in done.stdout.split("\n") if word)


def program_fields(cli):
    usage = subprocess.run([cli, "--field", "?"], capture_output=True, text=True).stderr
    return sorted(usage.split("\n", 1)[0].rsplit(": ", 1)[1].split(", "))


def main(argv):
    library, completion, cli = argv[1:4]
    options, fields = sorted(set(options_in_help(cli))), program_fields(cli)
    expectations = [
        (("-",), options),
        (("--f",), ["--field"]),
        (("--field", ""), fields),
        (("--json", "--field", "Hex3"), ["Hex32Lower", "Hex32Upper"]),
        (("--field", "=", "Conv"), ["ConvertedLength", "ConvertedText"]),
        # Texts are anything: no file names, and no options after "--".
        (("",), []),
        (("abc", ""), []),
        (("--", "-"), []),
        (("--field", "Hex32Lower", "--", "--j"), []),
    ]
    failures = [f"md5zevrin-cli {shlex.join(words)}<Tab> offers {got}, expected {expected}"
                for words, expected in expectations
                if (got := offered(library, completion, *words)) != expected]
    if len(fields) != 8 or "--json" not in options:
        failures.append(f"the program lists the fields {fields} and the options {options}")
    print("\n".join(failures + [f"{len(failures)} completion checks failed"]))
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main(sys.argv))
