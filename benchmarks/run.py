"""Times every public operation of veltrane._quorra_core, in one run, next to
(a) the same operation written in plain Python (pure_python.py) and (b) a
floor: a benchmark-only extension, compiled here, whose callables use the same
calling conventions but return precomputed results.

    python benchmarks/run.py [--repeat N] [--quick]

Prints ns per call; native/floor is how far each call is from the cost of
merely crossing into native code, and pure/native how much faster than Python
it is. Run by hand on a quiet machine; the figures are not asserted anywhere."""

from __future__ import annotations

import argparse
import importlib
import json
import os
import subprocess
import sys
import sysconfig
import tempfile
import timeit
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import pure_python  # noqa: E402
from veltrane import _quorra_core as native  # noqa: E402

DATASHEET_TEXT = (
    '{"name":"b3","status":"Seed","uncertainty":null,"units":"dimensionless","value":24.0}'
)


def build_floor(directory: Path):
    """Compiles floor_module.c for this interpreter and imports it."""
    target = directory / ("_quorra_floor" + sysconfig.get_config_var("EXT_SUFFIX"))
    compiler = os.environ.get("CC", "cc")
    subprocess.run(
        [compiler, "-shared", "-fPIC", "-O2", "-I", sysconfig.get_paths()["include"],
         str(HERE / "floor_module.c"), "-o", str(target)],
        check=True,
    )
    sys.path.insert(0, str(directory))
    return importlib.import_module("_quorra_floor")


def operations(floor):
    """(label, {implementation: callable}) for every public operation."""
    n_reg, p_reg, f_reg = native.PyFormulasRegistry(), pure_python.FormulasRegistry(), floor.PyFormulasRegistry()
    n_quarks, p_quarks, f_quarks = native.PyQuarkRegistry(), pure_python.QuarkRegistry(), floor.PyQuarkRegistry()
    n_ckm = native.PyCKMMatrix.from_topology()
    p_ckm = pure_python.CKMMatrix.from_topology()
    f_ckm = floor.PyCKMMatrix.from_topology()

    def missing(get):
        def call():
            try:
                get("B3")
            except KeyError:
                pass
        return call

    return [
        ("py_list_constants()", {"native": native.py_list_constants, "pure": pure_python.list_constants,
                                 "floor": floor.py_list_constants}),
        ("py_list_quarks()", {"native": native.py_list_quarks, "pure": pure_python.list_quarks,
                              "floor": floor.py_list_quarks}),
        ('py_get_constant("b3")', {"native": lambda: native.py_get_constant("b3"),
                                   "pure": lambda: pure_python.get_constant("b3"),
                                   "floor": lambda: floor.py_get_constant("b3"),
                                   "json.loads": lambda: json.loads(DATASHEET_TEXT)}),
        ("PyFormulasRegistry()", {"native": native.PyFormulasRegistry, "pure": pure_python.FormulasRegistry,
                                  "floor": floor.PyFormulasRegistry}),
        ('get("phi")', {"native": lambda: n_reg.get("phi"), "pure": lambda: p_reg.get("phi"),
                        "floor": lambda: f_reg.get("phi")}),
        ('get("B3") -> KeyError', {"native": missing(n_reg.get), "pure": missing(p_reg.get),
                                   "floor": missing(f_reg.get)}),
        ("len(PyFormulasRegistry)", {"native": lambda: len(n_reg), "pure": lambda: len(p_reg),
                                     "floor": lambda: len(f_reg)}),
        ("PyFormulasRegistry.version()", {"native": native.PyFormulasRegistry.version,
                                          "pure": pure_python.FormulasRegistry.version,
                                          "floor": floor.PyFormulasRegistry.version}),
        ("PyQuarkRegistry()", {"native": native.PyQuarkRegistry, "pure": pure_python.QuarkRegistry,
                               "floor": floor.PyQuarkRegistry}),
        ("len(PyQuarkRegistry)", {"native": lambda: len(n_quarks), "pure": lambda: len(p_quarks),
                                  "floor": lambda: len(f_quarks)}),
        ("PyCKMMatrix.from_topology()", {"native": native.PyCKMMatrix.from_topology,
                                         "pure": pure_python.CKMMatrix.from_topology,
                                         "floor": floor.PyCKMMatrix.from_topology}),
        ("jarlskog()", {"native": n_ckm.jarlskog, "pure": p_ckm.jarlskog, "floor": f_ckm.jarlskog}),
        ("is_unitary(1e-9)", {"native": lambda: n_ckm.is_unitary(1e-9), "pure": lambda: p_ckm.is_unitary(1e-9),
                              "floor": lambda: f_ckm.is_unitary(1e-9)}),
        ("is_unitary(tol=1e-9)", {"native": lambda: n_ckm.is_unitary(tol=1e-9),
                                  "pure": lambda: p_ckm.is_unitary(tol=1e-9),
                                  "floor": lambda: f_ckm.is_unitary(tol=1e-9)}),
    ]


def ns_per_call(function, repeat: int) -> float:
    timer = timeit.Timer(function)
    number, _ = timer.autorange()
    return min(timer.repeat(repeat=repeat, number=number)) / number * 1e9


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=7, help="timing runs per figure; the best is kept")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as directory:
        floor = build_floor(Path(directory))
        # Calls through a lambda pay for the lambda too; the same lambda wraps
        # every implementation, and its cost is shown for reference.
        empty = ns_per_call(lambda: None, args.repeat)
        print(f"Python {sys.version.split()[0]}; an empty lambda call costs {empty:.0f} ns\n")
        header = f"{'operation':30} {'native':>8} {'floor':>8} {'pure':>9} {'native/floor':>13} {'pure/native':>12}"
        print(header)
        print("-" * len(header))
        for label, implementations in operations(floor):
            times = {name: ns_per_call(function, args.repeat) for name, function in implementations.items()}
            native_ns, floor_ns, pure_ns = times["native"], times["floor"], times["pure"]
            print(f"{label:30} {native_ns:8.0f} {floor_ns:8.0f} {pure_ns:9.0f} "
                  f"{native_ns / floor_ns:13.2f} {pure_ns / native_ns:12.2f}")
            if "json.loads" in times:
                loads_ns = times["json.loads"]
                print(f"{'  json.loads(85-byte text)':30} {loads_ns:8.0f} {'':8} {'':9} "
                      f"{'native/loads ' + format(native_ns / loads_ns, '.2f'):>26}")


if __name__ == "__main__":
    main()
