"""scripts/lint on a copy of the working tree with one planted finding for
each tool: each must be reported, and the command must fail. The C++ finding
sits in a test file, so this also shows that clang-tidy reads the tests'
compile commands. CI runs this; it takes a few minutes, most of it clang-tidy.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

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
    # One summary line per tool, none of them clean.
    summary = result.stdout.splitlines()[-3:]
    assert [line.split(":")[0] for line in summary] == [
        "ruff check",
        "clang-format",
        "clang-tidy",
    ]
    assert not any("clean" in line.split(":", 1)[1] for line in summary), summary
