"""The veltrane package: its functions and its command line."""

import json
import os
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import veltrane
from catalogue import CONSTANT_NAMES
from conftest import VERSION
from test_datasheet import expected_sheet


def test_package_functions_delegate_to_the_native_core(core):
    assert veltrane.__version__ == core.__version__ == VERSION
    assert veltrane.list_constants() == CONSTANT_NAMES
    assert veltrane.list_quarks() == ["bottom", "charm", "down", "strange", "top", "up"]
    assert veltrane.Get("chi_eff") == expected_sheet("chi_eff")
    with pytest.raises(KeyError, match="constant `nope` not found in registry"):
        veltrane.Get("nope")


def run_cli(*args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=None):
    return subprocess.run(
        [sys.executable, "-m", "veltrane", *args],
        stdout=stdout, stderr=stderr, env=env, timeout=60,
    )


def test_cli_prints_the_catalogue_and_the_quarks():
    result = run_cli()
    assert result.returncode == 0
    lines = result.stdout.decode().splitlines()
    header, *rows = lines[: 1 + len(CONSTANT_NAMES)]
    assert header.split() == ["name", "value", "units", "status"]
    assert [row.split()[0] for row in rows] == CONSTANT_NAMES
    assert rows[0].split() == ["b3", "24.0", "dimensionless", "Seed"]
    assert rows[CONSTANT_NAMES.index("h0_central")].split() == ["h0_central", "0.0", "km/s/Mpc", "Pending"]
    # Columns are aligned: every value starts where the header's does.
    column = header.index("value")
    assert all(row[column - 2 : column] == "  " and row[column] != " " for row in rows)
    assert lines[-1] == "quarks: bottom, charm, down, strange, top, up"
    assert result.stderr == b""


def test_cli_prints_one_datasheet_as_json():
    result = run_cli("gamma_em")
    assert result.returncode == 0
    assert json.loads(result.stdout) == expected_sheet("gamma_em")


@pytest.mark.parametrize("name, messages", [
    ("nope", ["veltrane: constant `nope` not found in registry"]),
    ("PHI", ["veltrane: constant `PHI` not found in registry", "veltrane: closest known names: phi"]),
    ("n_gen_s", ["veltrane: constant `n_gen_s` not found in registry",
                 "veltrane: closest known names: n_gen_sq, n_gen"]),
    ("", ["veltrane: a constant's name must be non-empty"]),
    (os.fsdecode(b"\xff"), ["veltrane: a constant's name must be valid UTF-8"]),
])
def test_cli_reports_a_bad_name_with_the_closest_names(name, messages):
    result = run_cli(name)
    assert result.returncode == 1
    assert result.stdout == b""
    assert result.stderr.decode().splitlines() == messages


@pytest.mark.parametrize("option", ["--version", "-V"])
def test_cli_prints_its_version(option):
    result = run_cli(option)
    assert (result.returncode, result.stdout, result.stderr) == (0, f"veltrane {VERSION}\n".encode(), b"")


def test_the_console_command_is_the_command_line_under_its_own_name():
    command = Path(sysconfig.get_path("scripts")) / "veltrane"
    run = [subprocess.run([command, *args], capture_output=True, timeout=60)
           for args in (["gamma_em"], ["--no-such-option"])]
    assert (run[0].returncode, json.loads(run[0].stdout)) == (0, expected_sheet("gamma_em"))
    assert run[1].returncode == 2
    assert run[1].stderr.startswith(b"usage: veltrane ")
    assert run_cli("--no-such-option").stderr.startswith(b"usage: python -m veltrane ")


def test_a_utf8_name_is_read_as_utf8_under_an_ascii_locale():
    # Without UTF-8 mode, the C locale decodes the command line as ASCII and
    # keeps the other bytes as lone surrogates.
    ascii_locale = {**os.environ, "LC_ALL": "C", "PYTHONUTF8": "0", "PYTHONCOERCECLOCALE": "0"}
    for name, message in [("\u00e9", b"veltrane: constant `\\xe9` not found in registry\n"),
                          (os.fsdecode(b"\xff"), b"veltrane: a constant's name must be valid UTF-8\n")]:
        result = subprocess.run([sys.executable, "-m", "veltrane", os.fsencode(name)],
                                capture_output=True, env=ascii_locale, timeout=60)
        assert (result.returncode, result.stdout, result.stderr) == (1, b"", message)


# Whether stdout is buffered decides whether the failure comes from a write or
# from the final flush; both must end the same way.
BUFFERING = pytest.mark.parametrize("unbuffered", ["", "1"], ids=["buffered", "unbuffered"])
COMMAND_LINES = pytest.mark.parametrize("args", [[], ["phi"], ["--version"], ["--help"]])


@BUFFERING
@COMMAND_LINES
def test_cli_ends_quietly_with_141_when_the_reader_of_its_output_is_gone(args, unbuffered):
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        result = run_cli(*args, stdout=write_end, env={**os.environ, "PYTHONUNBUFFERED": unbuffered})
    finally:
        os.close(write_end)
    assert (result.returncode, result.stderr) == (141, b"")


@BUFFERING
@COMMAND_LINES
def test_cli_reports_an_output_it_cannot_write_in_one_line(args, unbuffered):
    with open("/dev/full", "wb") as full:
        result = run_cli(*args, stdout=full, env={**os.environ, "PYTHONUNBUFFERED": unbuffered})
    assert result.returncode == 1
    assert result.stderr.decode().splitlines() == ["veltrane: cannot write the output: No space left on device"]


@BUFFERING
@pytest.mark.parametrize("args, status", [(["nope"], 1), (["PHI"], 1), ([""], 1), (["--bad"], 2)])
@pytest.mark.parametrize("stderr", ["full", "closed pipe"])
def test_cli_keeps_its_exit_status_when_stderr_cannot_take_the_message(args, status, stderr, unbuffered):
    env = {**os.environ, "PYTHONUNBUFFERED": unbuffered}
    if stderr == "full":
        with open("/dev/full", "wb") as full:
            result = run_cli(*args, stderr=full, env=env)
    else:
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            result = run_cli(*args, stderr=write_end, env=env)
        finally:
            os.close(write_end)
    assert (result.returncode, result.stdout) == (status, b"")
