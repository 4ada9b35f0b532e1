"""Command line: ``python -m veltrane`` prints the catalogue and the quarks;
``python -m veltrane NAME`` prints that constant's datasheet as JSON.

Exit status: 0 on success; 1 for a name that no constant has (with the
closest known names, if any) and when the output cannot be written (one line
on stderr saying why); 141, quietly, when whoever reads the output stops
reading it early (a closed pipe, as in ``python -m veltrane | head -1``),
like the shell's own tools; 2 for a usage error.
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

# 128 + SIGPIPE: what a shell reports for a tool whose reader went away.
EXIT_BROKEN_PIPE = 141


def catalogue_table() -> str:
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


def closest_names(name: str) -> list[str]:
    """Up to three constant names that look like ``name``, letter case aside."""
    return difflib.get_close_matches(name.lower(), veltrane.list_constants(), n=3)


class Parser(argparse.ArgumentParser):
    def print_help(self, file: SupportsWrite[str] | None = None) -> None:
        # argparse's own printing drops write errors; main() reports them.
        (file or sys.stdout).write(self.format_help())


def run(argv: list[str] | None) -> int:
    parser = Parser(
        prog="python -m veltrane",
        description="Show veltrane's constant catalogue and quarks, or one constant's datasheet.",
    )
    parser.add_argument("name", nargs="?", help="a constant's name; omit it to list everything")
    parser.add_argument("--version", action="store_true", help="print the version and exit")
    args = parser.parse_args(argv)

    if args.version:
        print(f"veltrane {veltrane.__version__}")
        return 0
    if args.name is None:
        print(catalogue_table())
        print()
        print("quarks: " + ", ".join(veltrane.list_quarks()))
        return 0
    if args.name == "":
        print("veltrane: a constant's name must be non-empty", file=sys.stderr)
        return 1
    try:
        sheet = veltrane.Get(args.name)
    except KeyError as error:
        print(f"veltrane: {error.args[0]}", file=sys.stderr)
        if names := closest_names(args.name):
            print(f"veltrane: closest known names: {', '.join(names)}", file=sys.stderr)
        return 1
    except UnicodeEncodeError:
        # Bytes of the command line that are not UTF-8 reach Python as lone surrogates.
        print("veltrane: a constant's name must be valid UTF-8", file=sys.stderr)
        return 1
    print(json.dumps(sheet, indent=2))
    return 0


def main(argv: list[str] | None = None) -> int:
    if sys.stdout is None:  # started with file descriptor 1 closed
        print("veltrane: cannot write the output: stdout is closed", file=sys.stderr)
        return 1
    try:
        try:
            return run(argv)
        finally:
            # Written here, a failure of the output can still be reported;
            # at the interpreter's exit it would end in a traceback.
            sys.stdout.flush()
    except OSError as error:
        # Nothing more can reach stdout: send what is left of it nowhere, so
        # that the interpreter's own flush at exit does not fail again.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        if isinstance(error, BrokenPipeError):
            return EXIT_BROKEN_PIPE
        print(f"veltrane: cannot write the output: {error.strerror or error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
