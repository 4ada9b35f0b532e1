"""scripts/lint on a copy of the working tree with one planted finding for
each tool: each must be reported, and the command must fail. The C++ finding
sits in a test file, so this also shows that clang-tidy reads the tests'
compile commands. CI runs this; it takes a few minutes, most of it clang-tidy.
The check of the calls that can run Python code is also run on its own, on
planted files.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]

PYTHON_PROBE = "import os\nvalues = [1,2]\n"

# Misformatted (the spaces in the call), and reads a moved-from string.
CPP_PROBE = """\
#include <string>
#include <utility>

#include <gtest/gtest.h>

TEST(LintProbe, ReadsAMovedFromString) {
    std::string text = "x";
    const std::string taken = std::move(text);
    EXPECT_EQ(text.size(),   taken.size());
}
"""


CHECK_PYTHON_CALLS = ROOT / "scripts" / "check-python-calls"

# A call in src/pyfacade/boundary/type_names.cpp, as it stands and made bare.
WRAPPED = "Ref::steal(python_call([object] { return PyObject_Str(object); }))"
BARE = "Ref::steal(PyObject_Str(object))"


def plant_bare_call(checkout):
    """Unwraps one call in the checkout's copy of type_names.cpp: (the path
    relative to the checkout, the line of the bare call)."""
    relative = "src/pyfacade/boundary/type_names.cpp"
    path = checkout / relative
    source = path.read_text()
    assert source.count(WRAPPED) == 1
    path.write_text(source.replace(WRAPPED, BARE))
    (line,) = [number for number, text in enumerate(path.read_text().splitlines(), start=1) if BARE in text]
    return relative, line


def check_python_calls(cwd, *files):
    return subprocess.run([sys.executable, str(CHECK_PYTHON_CALLS), *files], cwd=cwd,
                          capture_output=True, text=True, timeout=60)


def test_a_bare_call_is_named_with_file_and_line_and_a_wrapped_one_passes(tmp_path):
    boundary = tmp_path / "src" / "pyfacade" / "boundary"
    boundary.mkdir(parents=True)
    shutil.copy(ROOT / "src" / "pyfacade" / "boundary" / "type_names.cpp", boundary)
    passed = check_python_calls(tmp_path, "src/pyfacade/boundary/type_names.cpp")
    assert (passed.returncode, passed.stdout, passed.stderr) == (0, "", "")

    relative, line = plant_bare_call(tmp_path)
    failed = check_python_calls(tmp_path, relative)
    assert failed.returncode == 1
    assert failed.stdout.splitlines() == [
        f"{relative}:{line}: PyObject_Str is called outside python_call(...)",
        "1 calls that can run Python code outside python_call(...) in 1 files",
    ]


# (code, the functions reported in it)
CALL_CASES = [
    ("Py_DECREF(object);", ["Py_DECREF"]),
    ("python_call([object] { Py_DECREF(object); });", []),
    ("quorra::py::python_call([&] { return PyObject_Call(f, (args), nullptr); });", []),
    ("python_call([] { return 1; });\nPyErr_Print();", ["PyErr_Print"]),
    ("python_call([&] { return f(PyObject_Str(a)); }) + g(PyObject_Repr(b));", ["PyObject_Repr"]),
    ("auto convert = &PyFloat_AsDouble;", ["PyFloat_AsDouble"]),
    ("other_call([&] { PyErr_SetObject(type, value); });", ["PyErr_SetObject"]),
    ("// Py_DECREF(object);\n/* PyErr_Print();\n */ int x;", []),
    ('const char* text = "PyErr_Print() (";\nchar open = \'(\';', []),
    ('const char* raw = R"x(PyErr_Print() ")x";', []),
    ("PyNumber_Check(object); PyList_Append(list, item);", []),
    ("int many = 1'000; PyNumber_Index(object); Py_XDECREF(a); Py_CLEAR(b);",
     ["PyNumber_Index", "Py_XDECREF", "Py_CLEAR"]),
]


@pytest.mark.parametrize("code, reported", CALL_CASES)
def test_calls_outside_python_call_are_found_in_code_only(tmp_path, code, reported):
    (tmp_path / "probe.cpp").write_text("void probe() {\n" + code + "\n}\n")
    result = check_python_calls(tmp_path, "probe.cpp")
    found = re.findall(r"^probe\.cpp:\d+: (\w+) is called outside", result.stdout, re.M)
    assert found == reported, result.stdout + result.stderr
    assert result.returncode == (1 if reported else 0)


def sections(output):
    """The text shown under each '== tool: ...' heading, by tool."""
    found = {}
    for match in re.finditer(r"^== ([a-z -]+): .*?(?=^== |\Z)", output, re.M | re.S):
        found[match.group(1)] = match.group(0)
    return found


def test_a_finding_of_each_tool_is_reported_and_fails_the_command(tmp_path):
    checkout = tmp_path / "checkout"
    shutil.copytree(
        ROOT,
        checkout,
        ignore=shutil.ignore_patterns(
            ".git", "build", "dist", "__pycache__", ".hypothesis", ".mypy_cache", ".pytest_cache"
        ),
    )
    (checkout / "src" / "veltrane" / "lint_probe.py").write_text(PYTHON_PROBE)
    (checkout / "tests" / "cpp" / "support" / "lint_probe_test.cpp").write_text(CPP_PROBE)
    bare_file, bare_line = plant_bare_call(checkout)
    subprocess.run(["git", "init", "-q"], cwd=checkout, check=True)
    subprocess.run(["git", "add", "-A"], cwd=checkout, check=True)

    environment = {k: v for k, v in os.environ.items() if not k.startswith("QUORRA_")}
    environment.update(PYTHON=sys.executable)
    result = subprocess.run(
        ["bash", str(checkout / "scripts" / "lint")],
        cwd=checkout,
        env=environment,
        capture_output=True,
        text=True,
        timeout=1800,
    )
    assert result.returncode != 0, result.stdout + result.stderr
    shown = sections(result.stdout)
    assert "lint_probe.py" in shown["ruff check"] and "F401" in shown["ruff check"]
    assert "tests/cpp/support/lint_probe_test.cpp" in shown["clang-format"]
    assert re.search(
        r"lint_probe_test\.cpp:\d+:\d+: .*\[bugprone-use-after-move", shown["clang-tidy"]
    )
    assert f"{bare_file}:{bare_line}: PyObject_Str is called outside python_call" in shown["python calls"]
    # One summary line per tool, none of them clean.
    summary = result.stdout.splitlines()[-4:]
    assert [line.split(":")[0] for line in summary] == [
        "ruff check",
        "clang-format",
        "python calls",
        "clang-tidy",
    ]
    assert not any("clean" in line.split(":", 1)[1] for line in summary), summary
