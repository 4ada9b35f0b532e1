"""Typed use of veltrane's public surface; checked with mypy --strict."""

from typing import assert_type

import veltrane
from veltrane import ConstantDatasheet, _quorra_core as core
from veltrane.__main__ import main

names: list[str] = veltrane.list_constants() + veltrane.list_quarks()
sheet: ConstantDatasheet = veltrane.Get("b3")
assert_type(sheet["value"], float)
doubled: float = sheet["value"] * 2
assert_type(sheet["uncertainty"], float | None)
assert_type(sheet["status"], veltrane.EntryStatus)
assert_type(core.py_get_constant("phi")["name"], str)

registry = core.PyFormulasRegistry()
assert_type(registry.get("phi"), float)
assert_type(registry.get(name="phi"), float)
assert_type(len(registry), int)
assert_type(core.PyFormulasRegistry.version(), str)
assert_type(len(core.PyQuarkRegistry()), int)

matrix = core.PyCKMMatrix.from_topology()
assert_type(matrix.jarlskog(), float)
assert_type(matrix.is_unitary(1e-9), bool)
assert_type(matrix.is_unitary(tol=0), bool)
assert_type(core.__version__, str)
assert_type(main(["--version"]), int)
