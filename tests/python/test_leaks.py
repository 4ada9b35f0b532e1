"""Every public operation, on its success and error paths, run many times:
the interpreter's allocated blocks and the reference counts of the arguments
must stay flat."""

import gc
import sys

import pytest

ROUNDS = 5_000


class RaisingFloat:
    def __float__(self):
        raise ValueError("no float")


def operations(core):
    """(label, callable, arguments whose reference counts are watched)."""
    registry = core.PyFormulasRegistry()
    quarks = core.PyQuarkRegistry()
    matrix = core.PyCKMMatrix.from_topology()
    name = "".join(["ph", "i"])  # not interned: a private object to watch
    missing = "".join(["B", "3"])
    wrong = 12345678901
    tol = 1e-9
    bad_tol = RaisingFloat()
    text_tol = "0.1"
    huge = 10**400

    def expect(error, function, *args, **kwargs):
        def call():
            try:
                function(*args, **kwargs)
            except error:
                pass
            else:
                raise AssertionError("expected " + error.__name__)
        return call

    def panic():
        try:
            core.py_get_constant("")
        except BaseException as exc:
            if type(exc).__name__ != "PanicException":
                raise

    return [
        ("py_list_constants", core.py_list_constants, []),
        ("py_list_quarks", core.py_list_quarks, []),
        ("py_get_constant", lambda: core.py_get_constant(name), [name]),
        ("py_get_constant keyword", lambda: core.py_get_constant(name=name), [name]),
        ("py_get_constant KeyError", expect(KeyError, core.py_get_constant, missing), [missing]),
        ("py_get_constant empty name panic", panic, []),
        ("py_get_constant type error", expect(TypeError, core.py_get_constant, wrong), [wrong]),
        ("py_get_constant missing argument", expect(TypeError, core.py_get_constant), []),
        ("py_get_constant too many", expect(TypeError, core.py_get_constant, name, name), [name]),
        ("py_get_constant unexpected keyword", expect(TypeError, core.py_get_constant, nam=name), [name]),
        ("py_get_constant multiple values", expect(TypeError, core.py_get_constant, name, name=name), [name]),
        ("PyFormulasRegistry", core.PyFormulasRegistry, []),
        ("PyFormulasRegistry argument", expect(TypeError, core.PyFormulasRegistry, name), [name]),
        ("get", lambda: registry.get(name), [name, registry]),
        ("get KeyError", expect(KeyError, registry.get, missing), [missing, registry]),
        ("get type error", expect(TypeError, registry.get, wrong), [wrong, registry]),
        ("len", lambda: len(registry), [registry]),
        ("version", core.PyFormulasRegistry.version, []),
        ("PyQuarkRegistry", core.PyQuarkRegistry, []),
        ("PyQuarkRegistry keyword", expect(TypeError, core.PyQuarkRegistry, x=name), [name]),
        ("len quarks", lambda: len(quarks), [quarks]),
        ("from_topology", core.PyCKMMatrix.from_topology, []),
        ("PyCKMMatrix refused", expect(TypeError, core.PyCKMMatrix), []),
        ("jarlskog", matrix.jarlskog, [matrix]),
        ("is_unitary", lambda: matrix.is_unitary(tol), [tol, matrix]),
        ("is_unitary keyword", lambda: matrix.is_unitary(tol=tol), [tol, matrix]),
        ("is_unitary renamed type error", expect(TypeError, matrix.is_unitary, text_tol), [text_tol, matrix]),
        ("is_unitary value error", expect(ValueError, matrix.is_unitary, bad_tol), [bad_tol, matrix]),
        ("is_unitary overflow", expect(OverflowError, matrix.is_unitary, huge), [huge, matrix]),
    ]


@pytest.fixture(scope="module")
def quiet_faults():
    """Points the fault reports of the panic case away from the test output."""
    import os

    saved = os.dup(2)
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 2)
    try:
        yield
    finally:
        os.dup2(saved, 2)
        os.close(saved)
        os.close(devnull)


def test_operations_do_not_leak(core, quiet_faults):
    cases = operations(core)
    growth = {}
    for label, call, watched in cases:
        for _ in range(200):  # warm caches, free lists and type attribute caches
            call()
        gc.collect()
        blocks_before = sys.getallocatedblocks()
        counts_before = [sys.getrefcount(obj) for obj in watched]
        for _ in range(ROUNDS):
            call()
        gc.collect()
        counts_after = [sys.getrefcount(obj) for obj in watched]
        assert counts_after == counts_before, label
        growth[label] = sys.getallocatedblocks() - blocks_before
    # A leak of one block per call would show as thousands.
    leaking = {label: blocks for label, blocks in growth.items() if blocks > ROUNDS // 100}
    assert not leaking, leaking
