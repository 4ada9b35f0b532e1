"""Command line: ``python -m veltrane`` prints the catalogue and the quarks;
``python -m veltrane NAME`` prints that constant's datasheet as JSON."""

from __future__ import annotations

import argparse
import json
import sys

import veltrane


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


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(
        prog="python -m veltrane",
        description="Show veltrane's constant catalogue and quarks, or one constant's datasheet.",
    )
    parser.add_argument("name", nargs="?", help="a constant's name; omit it to list everything")
    args = parser.parse_args(argv)

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
        return 1
    except UnicodeEncodeError:
        # Bytes of the command line that are not UTF-8 reach Python as lone surrogates.
        print("veltrane: a constant's name must be valid UTF-8", file=sys.stderr)
        return 1
    print(json.dumps(sheet, indent=2))
    return 0


if __name__ == "__main__":
    sys.exit(main())
