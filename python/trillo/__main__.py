"""python3 -m trillo FILE: the trillo tool.

Writes the dump of FILE to standard output (of standard input for "-"; a
file named "-" is reached as "./-").  On a failure it writes the part of the
dump made before it, then "Error: <message>" to standard error, and exits
with status 1; a wrong argument count gives the usage line and status 1.
"--help" and "--version" print what the tool prints for them.
"""

import os
import signal
import sys
from typing import List, Optional

from . import Error, _trillo
from ._errors import CannotOpenFile

USAGE = "usage: trillo <file>\n"
STDOUT = 1  # the descriptors themselves: sys.stdout is None when it was closed at start
STDERR = 2


def complain(line: str) -> None:
    """Writes a line to standard error unbuffered, as the tool does; a line
    that cannot be written changes nothing."""
    data = line.encode()
    try:
        while data:
            data = data[os.write(STDERR, data) :]
    except OSError:
        pass


def print_text(text: str) -> int:
    """Writes a text to standard output, as the tool writes its help."""
    data = text.encode()
    try:
        while data:
            data = data[os.write(STDOUT, data) :]
    except OSError:
        complain("Error: cannot write file.\n")
        return 1
    return 0


def main(argv: Optional[List[str]] = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    if len(args) != 1:
        complain(USAGE)
        return 1
    if sys.stdout is not None:
        sys.stdout.flush()
    if args[0] == "--help":
        return print_text(_trillo.help_text())
    if args[0] == "--version":
        return print_text(_trillo.version_line())
    try:
        if args[0] == "-":
            if sys.stdin is None:
                raise CannotOpenFile("cannot open file.")
            _trillo.dump_to_fd(sys.stdin.buffer, STDOUT)
        else:
            _trillo.dump_to_fd(args[0], STDOUT)
    except Error as error:
        complain(f"Error: {error}\n")
        return 1
    return 0


if __name__ == "__main__":
    # A closed pipe ends the process as it ends the tool, not with an error line.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(main())
