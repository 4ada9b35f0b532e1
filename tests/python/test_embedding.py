"""Programs that load the module in other ways than an import in a single
interpreter: embedding programs that restart the interpreter, and other
libraries that share its process."""

import os
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import veltrane

RESTARTING_PROGRAM = r"""
#include <Python.h>
#include <stdio.h>
#include <string.h>

static void nothing(void) {}

static const char round_code[] =
    "try:\n"
    "    from veltrane import _quorra_core as core\n"
    "except ImportError as error:\n"
    "    print('ImportError:', error)\n"
    "else:\n"
    "    print('b3', core.PyFormulasRegistry().get('b3'))\n"
    "    try:\n"
    "        core.py_get_constant('')\n"
    "    except BaseException as error:\n"
    "        print(type(error).__name__ + ':', error)\n";

/* With "fill", the first round fills the interpreter's table of exit
   functions before the module is imported, leaving it no slot. */
int main(int argc, char **argv) {
    const int fill = argc > 1 && strcmp(argv[1], "fill") == 0;
    for (int round = 1; round <= 3; ++round) {
        printf("round %d\n", round);
        fflush(stdout);
        Py_InitializeEx(0);
        if (round == 1 && fill) {
            while (Py_AtExit(nothing) == 0) {
            }
        }
        if (PyRun_SimpleString(round_code) != 0 || Py_FinalizeEx() != 0) {
            return 1;
        }
    }
    return 0;
}
"""

REFUSAL = (
    "ImportError: _quorra_core cannot be initialised again in this process: "
    "the interpreter that first imported it has been finalized"
)


def shared_libpython() -> Path | None:
    name = f"libpython{sysconfig.get_config_var('LDVERSION')}.so"
    for directory in (sysconfig.get_config_var("LIBDIR"), sysconfig.get_config_var("LIBPL")):
        if directory and (Path(directory) / name).exists():
            return Path(directory) / name
    return None


def c_compiler() -> str | None:
    configured = (sysconfig.get_config_var("CC") or "").split()
    for candidate in configured[:1] + ["cc", "gcc", "clang"]:
        if shutil.which(candidate):
            return candidate
    return None


@pytest.mark.parametrize("exit_table", ["free", "fill"])
def test_a_restarted_interpreter_is_refused_with_import_error(tmp_path, exit_table):
    libpython = shared_libpython()
    compiler = c_compiler()
    if libpython is None:
        pytest.skip("this interpreter has no shared libpython to embed")
    if compiler is None:
        pytest.skip("no C compiler to build the embedding program with")
    source = tmp_path / "restart.c"
    source.write_text(RESTARTING_PROGRAM)
    program = tmp_path / "restart"
    subprocess.run(
        [compiler, "-o", program, source, f"-I{sysconfig.get_paths()['include']}",
         f"-L{libpython.parent}", f"-Wl,-rpath,{libpython.parent}",
         f"-lpython{sysconfig.get_config_var('LDVERSION')}"],
        check=True, capture_output=True,
    )
    package_parent = str(Path(veltrane.__file__).parent.parent)
    environment = dict(os.environ, PYTHONHOME=sys.base_prefix,
                       PYTHONPATH=os.pathsep.join(filter(None, [package_parent, os.environ.get("PYTHONPATH")])))
    result = subprocess.run([program, exit_table], capture_output=True, text=True, timeout=60, env=environment)
    assert result.returncode == 0, result.stderr[-2000:]
    assert result.stdout.splitlines() == [
        "round 1",
        "b3 24.0",
        "PanicException: py_get_constant: name must be non-empty",
        "round 2",
        REFUSAL,
        "round 3",
        REFUSAL,
    ]


def test_the_extension_exports_only_its_entry_point(core):
    nm = shutil.which("nm")
    if nm is None:
        pytest.skip("no nm (binutils) to list the extension's symbols")
    listing = subprocess.run([nm, "-D", "--defined-only", core.__file__],
                             check=True, capture_output=True, text=True).stdout
    assert [line.split()[-1] for line in listing.splitlines()] == ["PyInit__quorra_core"]
