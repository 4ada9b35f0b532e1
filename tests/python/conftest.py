import importlib.metadata
import subprocess
import sys
import textwrap

import pytest

# The package version, as its metadata (from pyproject.toml) gives it.
VERSION = importlib.metadata.version("veltrane")


@pytest.fixture(scope="session")
def core():
    from veltrane import _quorra_core

    return _quorra_core


def run_python(code: str) -> subprocess.CompletedProcess:
    """Runs code in a fresh interpreter and returns its exit status and output."""
    return subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True,
        text=True,
        timeout=60,
    )
