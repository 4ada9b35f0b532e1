"""Quark registry and CKM matrix as seen from Python."""

import math

import pytest

QUARKS = ["bottom", "charm", "down", "strange", "top", "up"]


def test_quark_list_is_byte_sorted_and_fresh_each_call(core):
    first = core.py_list_quarks()
    assert first == QUARKS
    first.append("extra")
    second = core.py_list_quarks()
    assert second == QUARKS
    assert second is not first


def test_quark_registry_instances_are_empty(core):
    registry = core.PyQuarkRegistry()
    assert len(registry) == 0
    assert not registry
    assert core.PyQuarkRegistry() is not registry


def test_ckm_matrix_instances_are_distinct_with_zero_invariant(core):
    first = core.PyCKMMatrix.from_topology()
    second = core.PyCKMMatrix.from_topology()
    assert first is not second
    assert type(first) is core.PyCKMMatrix
    assert first.jarlskog() == 0.0
    assert math.copysign(1.0, first.jarlskog()) == 1.0
    assert type(first.jarlskog()) is float


@pytest.mark.parametrize("tol, expected", [
    (0.0, True), (-0.0, True), (1e-300, True), (-1e-300, False), (5e-324, True),
    (float("inf"), True), (float("-inf"), False), (float("nan"), False), (1e-9, True),
])
def test_identity_is_unitary_exactly_for_non_negative_tolerances(core, tol, expected):
    matrix = core.PyCKMMatrix.from_topology()
    assert matrix.is_unitary(tol) is expected
    assert matrix.is_unitary(tol=tol) is expected
