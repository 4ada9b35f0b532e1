"""scripts/run-tests where it could pass with fewer tests than it has: a C++
suite that cannot be built, and a switch of interpreters in one checkout.

Each test runs the command on a copy of the working tree, so that its build
directories stay apart from the checkout's. CI runs these; they take a few
minutes, most of it building the C++ suite twice.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]


@pytest.fixture
def checkout(tmp_path):
    copy = tmp_path / "checkout"
    shutil.copytree(ROOT, copy, ignore=shutil.ignore_patterns(
        ".git", "build", "dist", "__pycache__", ".hypothesis", ".mypy_cache", ".pytest_cache"))
    return copy


def run_tests(checkout, *args, python=sys.executable, **env):
    environment = {k: v for k, v in os.environ.items() if not k.startswith("QUORRA_")}
    environment.update(PYTHON=python, QUORRA_NO_APT="1", **env)
    return subprocess.run(
        ["bash", str(checkout / "scripts" / "run-tests"), *args],
        env=environment, capture_output=True, text=True, timeout=1800,
    )


def cmake_refusing(tmp_path, package):
    """A toolchain file, read by CMake from the environment, that makes
    find_package(<package>) find nothing."""
    toolchain = tmp_path / f"without-{package}.cmake"
    toolchain.write_text(f"set(CMAKE_DISABLE_FIND_PACKAGE_{package} TRUE)\n")
    return {"CMAKE_TOOLCHAIN_FILE": str(toolchain)}


def cpp_suite_lines(text):
    return [line for line in text.splitlines() if "C++ suite" in line]


@pytest.mark.parametrize("skip", [False, True], ids=["required", "skipped"])
def test_without_googletest_one_line_says_what_to_do_and_only_a_skip_passes(checkout, tmp_path, skip):
    env = cmake_refusing(tmp_path, "GTest")
    if skip:
        env["QUORRA_SKIP_CPP_TESTS"] = "1"
    result = run_tests(checkout, "cpp", **env)
    assert "tests passed" not in result.stdout
    [line] = cpp_suite_lines(result.stderr)
    if skip:
        assert result.returncode == 0
        assert "SKIPPED" in line and "QUORRA_SKIP_CPP_TESTS=1" in line
    else:
        assert result.returncode == 1
        assert "NOT RUN" in line and "libgtest-dev" in line and "QUORRA_SKIP_CPP_TESTS=1" in line


def test_without_an_embeddable_python_the_configuration_fails_and_names_its_log(checkout, tmp_path):
    result = run_tests(checkout, "cpp", **cmake_refusing(tmp_path, "Python3"))
    assert result.returncode == 1
    assert "tests passed" not in result.stdout
    log = re.search(r"the whole output is in (\S+configure\.log)", result.stderr)
    assert log, result.stderr
    assert "embedding library" in " ".join(Path(log[1]).read_text().split())


def interpreters():
    found = subprocess.run(["bash", str(ROOT / "scripts" / "find-pythons")],
                           capture_output=True, text=True, check=True).stdout.split()
    return {subprocess.run([python, "-c", "import sys; print(sys.version_info[:2])"],
                           capture_output=True, text=True, check=True).stdout: python
            for python in found}


def test_switching_interpreters_in_one_checkout_runs_the_same_cpp_tests(checkout):
    this_version = str(sys.version_info[:2]) + "\n"
    others = [python for version, python in interpreters().items() if version != this_version]
    if not others:
        pytest.skip("no second CPython 3.11+ on this machine to switch to")
    counts = []
    for python in (sys.executable, others[0]):
        result = run_tests(checkout, "cpp", python=python)
        assert result.returncode == 0, result.stdout[-4000:] + result.stderr[-4000:]
        counts.append(int(re.search(r"tests passed(?:, 0 tests failed)? out of (\d+)", result.stdout)[1]))
    assert counts[0] == counts[1]
