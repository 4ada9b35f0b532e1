"""Command line: ``veltrane`` (or ``python -m veltrane``) prints the catalogue
and the quarks; ``veltrane NAME`` prints that constant's datasheet as JSON.

Exit status: 0 on success; 1 for a name that no constant has (with the
closest known names, if any) and when the output cannot be written (one line
on stderr saying why); 141, quietly, when whoever reads the output stops
reading it early (a closed pipe, as in ``veltrane | true``), like the shell's
own tools; 2 for a usage error. A message that cannot be written to
stderr (full, closed, or nobody reading it) is dropped; the exit status
stays the one it reports.

Only ``main`` is public; everything else here is the command's own.
"""

from __future__ import annotations

import argparse
import difflib
import json
import os
import sys
from typing import TYPE_CHECKING

import veltrane

if TYPE_CHECKING:
    from _typeshed import SupportsWrite

__all__ = ["main"]

# 128 + SIGPIPE: what a shell reports for a tool whose reader went away.
_EXIT_BROKEN_PIPE = 141


def _catalogue_table() -> str:
    """The whole catalogue as an aligned table: name, value, units, status."""
    rows = [("name", "value", "units", "status")]
    for name in veltrane.list_constants():
        sheet = veltrane.Get(name)
        rows.append((name, repr(sheet["value"]), sheet["units"], sheet["status"]))
    widths = [max(len(row[column]) for row in rows) for column in range(3)]
    return "\n".join(
        "  ".join(cell.ljust(width) for cell, width in zip(row, widths)) + "  " + row[3]
        for row in rows
    )


def _closest_names(name: str) -> list[str]:
    """Up to three constant names that look like ``name``, letter case aside."""
    return difflib.get_close_matches(name.lower(), veltrane.list_constants(), n=3)


def _discard(stream: str) -> None:
    """Points file descriptor 1 or 2 (``stream`` "stdout" or "stderr") at
    /dev/null, so that what is left in the stream's buffer goes nowhere and
    the interpreter's own flush at exit does not fail again."""
    file = getattr(sys, stream)
    if file is not None:
        os.dup2(os.open(os.devnull, os.O_WRONLY), file.fileno())


def _complain(message: str) -> None:
    """Writes one line to stderr. When stderr cannot take it, the line is
    dropped: there is nowhere left to say so."""
    if sys.stderr is None:  # started with file descriptor 2 closed
        return
    try:
        print(message, file=sys.stderr, flush=True)
    except OSError:
        _discard("stderr")


def _command_line_name(name: str) -> str | None:
    """The constant name the user typed, or None when it is not UTF-8.

    The interpreter decodes the command line in the locale's encoding and keeps
    the bytes it cannot decode as lone surrogates. Names are UTF-8, so such an
    argument is read again from its bytes: under an ASCII locale (``LC_ALL=C``
    without UTF-8 mode) a UTF-8 name is still that name.
    """
    try:
        name.encode("utf-8")
        return name
    except UnicodeEncodeError:
        pass
    try:
        return os.fsencode(name).decode("utf-8")
    except (UnicodeError, ValueError):
        return None


class _Parser(argparse.ArgumentParser):
    def print_help(self, file: SupportsWrite[str] | None = None) -> None:
        # argparse's own printing drops write errors; main() reports them.
        (file or sys.stdout).write(self.format_help())

    def _print_message(self, message: str, file: SupportsWrite[str] | None = None) -> None:
        # A usage message that stderr cannot take is dropped, so that the exit
        # status stays 2. Later argparse releases do so themselves; in Debian
        # 12's CPython 3.11.2 the error would end the command with 1 or 141.
        try:
            super()._print_message(message, file)
        except (AttributeError, OSError):
            pass


def _program_name() -> str:
    """``python -m veltrane`` when run as a module, else ``veltrane``."""
    started_as = os.path.basename(sys.argv[0]) if sys.argv else ""
    return "python -m veltrane" if started_as == "__main__.py" else "veltrane"


def _run(argv: list[str] | None) -> int:
    parser = _Parser(
        prog=_program_name(),
        description="Show veltrane's constant catalogue and quarks, or one constant's datasheet.",
    )
    parser.add_argument("name", nargs="?", help="a constant's name; omit it to list everything")
    parser.add_argument("-V", "--version", action="store_true", help="print the version and exit")
    args = parser.parse_args(argv)

    if args.version:
        print(f"veltrane {veltrane.__version__}")
        return 0
    if args.name is None:
        print(_catalogue_table())
        print()
        print("quarks: " + ", ".join(veltrane.list_quarks()))
        return 0
    if args.name == "":
        _complain("veltrane: a constant's name must be non-empty")
        return 1
    name = _command_line_name(args.name)
    if name is None:
        _complain("veltrane: a constant's name must be valid UTF-8")
        return 1
    try:
        sheet = veltrane.Get(name)
    except KeyError as error:
        _complain(f"veltrane: {error.args[0]}")
        if names := _closest_names(name):
            _complain(f"veltrane: closest known names: {', '.join(names)}")
        return 1
    print(json.dumps(sheet, indent=2))
    return 0


def main(argv: list[str] | None = None) -> int:
    """Runs the command line with ``argv`` (default: ``sys.argv[1:]``) and
    returns its exit status."""
    if sys.stdout is None:  # started with file descriptor 1 closed
        _complain("veltrane: cannot write the output: stdout is closed")
        return 1
    try:
        try:
            return _run(argv)
        finally:
            # Written here, a failure of the output can still be reported;
            # at the interpreter's exit it would end in a traceback.
            try:
                sys.stdout.flush()
            finally:
                # argparse drops a usage message that stderr cannot take, but
                # leaves it in the buffer for the exit's flush to fail on.
                try:
                    if sys.stderr is not None:
                        sys.stderr.flush()
                except OSError:
                    _discard("stderr")
    except OSError as error:
        # Nothing more can reach stdout.
        _discard("stdout")
        if isinstance(error, BrokenPipeError):
            return _EXIT_BROKEN_PIPE
        _complain(f"veltrane: cannot write the output: {error.strerror or error}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
