"""scripts/run-tests where it could pass with fewer tests than it has: a C++
suite that cannot be built, GoogleTest fetched without root, and a switch of
interpreters in one checkout; and what the scripts share in scripts/lib.sh.

Each test runs the command on a copy of the working tree, so that its build
directories stay apart from the checkout's. CI runs these; they take a few
minutes, most of it building the C++ suite twice.
"""

import os
import re
import shutil
import subprocess
import sys
import tarfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]


@pytest.fixture
def checkout(tmp_path):
    copy = tmp_path / "checkout"
    shutil.copytree(ROOT, copy, ignore=shutil.ignore_patterns(
        ".git", "build", "dist", "__pycache__", ".hypothesis", ".mypy_cache", ".pytest_cache"))
    return copy


def run_tests(checkout, *args, python=sys.executable, prefix=(), **env):
    environment = {k: v for k, v in os.environ.items() if not k.startswith("QUORRA_")}
    environment.update({"PYTHON": python, "QUORRA_NO_APT": "1", **env})
    environment = {k: v for k, v in environment.items() if v is not None}
    return subprocess.run(
        [*prefix, "bash", str(checkout / "scripts" / "run-tests"), *args],
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


def cmake_ignoring_the_system(tmp_path):
    """A toolchain file that hides every package installed under /usr (and /,
    which /lib links into) from find_package."""
    toolchain = tmp_path / "without-system-packages.cmake"
    toolchain.write_text("set(CMAKE_IGNORE_PREFIX_PATH /usr /)\n")
    return {"CMAKE_TOOLCHAIN_FILE": str(toolchain)}


def test_without_root_googletest_is_fetched_into_the_build_folder(checkout, tmp_path):
    # A user namespace without a mapping: the command runs as an unprivileged
    # user (id -u is 65534), which apt-get install refuses.
    if not (shutil.which("apt-get") and shutil.which("dpkg") and shutil.which("unshare")):
        pytest.skip("needs apt-get, dpkg and unshare")
    if subprocess.run(["unshare", "--user", "true"], capture_output=True).returncode != 0:
        pytest.skip("unshare --user is not permitted here")
    result = run_tests(checkout, "cpp", prefix=["unshare", "--user"], QUORRA_NO_APT=None,
                       **cmake_ignoring_the_system(tmp_path))
    assert result.returncode == 0, result.stdout[-4000:] + result.stderr[-4000:]
    assert "fetching GoogleTest" in result.stdout
    assert re.search(r"100% tests passed(?:, 0 tests failed)? out of [1-9]", result.stdout)
    [cache] = (checkout / "build" / "cpp-tests").glob("*/CMakeCache.txt")
    gtest_dir = re.search(r"^GTest_DIR:PATH=(.*)$", cache.read_text(), re.M)[1]
    assert Path(gtest_dir).is_relative_to(checkout / "build" / "gtest")


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


def tag(python):
    return subprocess.run(
        ["bash", "-c", 'source "$1"; interpreter_tag "$2"', "-", ROOT / "scripts" / "lib.sh", python],
        capture_output=True, text=True, check=True).stdout.strip()


def test_one_interpreter_has_one_tag_however_it_is_spelled(tmp_path):
    base = Path(sys.base_prefix) / "bin" / ("python%d.%d" % sys.version_info[:2])
    link = tmp_path / "python"
    link.symlink_to(base)
    spellings = {tag(python) for python in (base, base.with_name("python3"), link)}
    assert len(spellings) == 1
    # An environment's python is usually a link to its base interpreter, yet
    # it is an interpreter of its own, with its own packages.
    subprocess.run([base, "-m", "venv", "--without-pip", tmp_path / "venv"], check=True)
    in_venv = {tag(tmp_path / "venv" / "bin" / name) for name in ("python", "python3")}
    assert len(in_venv) == 1 and in_venv != spellings


def test_the_sdist_holds_the_tracked_files_and_nothing_that_lies_beside_them(checkout, tmp_path):
    # What a checkout holds after the README's first command and some work.
    (checkout / ".venv" / "lib").mkdir(parents=True)
    (checkout / ".venv" / "lib" / "site.py").write_text("")
    (checkout / "notes.txt").write_text("")
    subprocess.run(
        [sys.executable, "-c", "import sys; from scikit_build_core.build import build_sdist; build_sdist(sys.argv[1])",
         tmp_path / "dist"], cwd=checkout, check=True, capture_output=True)
    [sdist] = (tmp_path / "dist").glob("veltrane-*.tar.gz")
    with tarfile.open(sdist) as archive:
        packed = {member.name.split("/", 1)[1] for member in archive.getmembers() if not member.isdir()}
    tracked = set(subprocess.run(["git", "ls-files"], cwd=ROOT, capture_output=True, text=True,
                                 check=True).stdout.split())
    # The CI's own files are left out on purpose.
    assert packed - {"PKG-INFO"} == {path for path in tracked
                                     if not path.startswith(".ci/") and path != ".gitignore"}


def test_find_pythons_lists_another_build_of_a_version_only_when_asked(tmp_path):
    name = "python%d.%d" % sys.version_info[:2]
    base = Path(sys.base_prefix) / "bin" / name
    # Two spellings of one interpreter, then a build of its own (an environment
    # has its own prefix), in that order on PATH, with no pyenv to ask first.
    spellings = [tmp_path / "first", tmp_path / "same"]
    for folder in spellings:
        folder.mkdir()
        (folder / name).symlink_to(base)
    subprocess.run([base, "-m", "venv", "--without-pip", tmp_path / "venv"], check=True)
    dirs = [*spellings, tmp_path / "venv" / "bin"]
    env = {**os.environ, "PATH": os.pathsep.join([*map(str, dirs), "/usr/bin", "/bin"])}

    def found(*args):
        lines = subprocess.run(["bash", str(ROOT / "scripts" / "find-pythons"), *args], env=env,
                               capture_output=True, text=True, check=True).stdout.splitlines()
        return [line for line in lines if line.startswith(str(tmp_path))]

    assert found() == [str(dirs[0] / name)]
    assert found("--all") == [str(dirs[0] / name), str(dirs[2] / name)]
