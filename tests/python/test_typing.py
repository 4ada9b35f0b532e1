"""The installed stubs match the module and type-check real use."""

import re
import subprocess
import sys
from pathlib import Path

import pytest

TYPING_DIR = Path(__file__).resolve().parent.parent / "typing"

pytest.importorskip("mypy", reason="the typing checks need mypy (pip install '.[test]')")


def run_mypy(*args: str) -> subprocess.CompletedProcess:
    return subprocess.run(
        [sys.executable, "-m", *args], capture_output=True, text=True, timeout=300,
        cwd=TYPING_DIR,
    )


def test_stubs_and_annotations_match_the_runtime_package():
    result = run_mypy("mypy.stubtest", "veltrane")
    assert result.returncode == 0, result.stdout + result.stderr


def test_typed_usage_passes_strict_checking():
    result = run_mypy("mypy", "--strict", "--no-incremental", "usage.py")
    assert result.returncode == 0, result.stdout + result.stderr


def test_misuse_is_rejected_where_marked():
    source = (TYPING_DIR / "rejected.py").read_text().splitlines()
    expected = {
        (number, match.group(1))
        for number, line in enumerate(source, start=1)
        if (match := re.search(r"# E: ([\w-]+)", line))
    }
    result = run_mypy("mypy", "--strict", "--no-incremental", "--show-error-codes", "rejected.py")
    reported = {
        (int(match.group(1)), match.group(2))
        for match in re.finditer(r"^rejected\.py:(\d+): error: .*\[([\w-]+)\]$", result.stdout, re.M)
    }
    assert reported == expected, result.stdout
