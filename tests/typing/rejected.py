"""Misuse that the stubs must reject: each line carries the error mypy reports."""

from veltrane import _quorra_core as core
from veltrane.__main__ import run  # E: attr-defined

core.PyFormulasRegistry().get(3)  # E: arg-type
core.PyFormulasRegistry(1)  # E: call-arg
core.PyCKMMatrix.from_topology().is_unitary("0.1")  # E: arg-type
core.py_get_constant("b3")["missing"]  # E: typeddict-item
core.py_list_quarks(1)  # E: call-arg


class Sub(core.PyQuarkRegistry):  # E: misc
    pass
