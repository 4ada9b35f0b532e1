"""Every callable of the module, on its success and error paths, run many times:
the interpreter's allocated blocks and the reference counts of the arguments
must stay flat."""

import gc
import sys

import pytest

from surface import CALLABLES

ROUNDS = 5_000


class RaisingFloat:
    def __float__(self):
        raise ValueError("no float")


# A valid value for each parameter that a callable of the module takes.
ARGUMENTS = {
    "name": lambda: "".join(["ph", "i"]),  # not interned: a private object to watch
    "tol": lambda: 1e-9,
}


def expect(error, function, *args, **kwargs):
    def call():
        try:
            function(*args, **kwargs)
        except error:
            pass
        else:
            raise AssertionError("expected " + error.__name__)
    return call


def swept(core):
    """The calls made of every callable the module registers: with valid
    arguments (positional and by keyword), with each kind of argument error,
    with a wrong type for each parameter, and with a wrong self."""
    cases = []
    for entry in CALLABLES:
        label = entry.path
        target = entry.target(core)
        parameters = entry.parameters(core)
        if parameters is None:
            cases.append((f"{label} refused", expect(TypeError, target), []))
            continue
        missing = [name for name in parameters if name not in ARGUMENTS]
        assert not missing, f"{label}: no valid value in ARGUMENTS for {missing}"
        values = [ARGUMENTS[name]() for name in parameters]
        keywords = dict(zip(parameters, values))
        owner = [target.__self__] if entry.kind in ("method", "slot") else []
        cases.append((label, lambda target=target, values=values: target(*values), values + owner))
        if parameters:
            cases.append((f"{label} keyword", lambda target=target, keywords=keywords: target(**keywords),
                          values + owner))
            cases.append((f"{label} missing argument", expect(TypeError, target), owner))
            cases.append((f"{label} multiple values",
                          expect(TypeError, target, *values, **{parameters[0]: values[0]}), values + owner))
        extra = "".join(["ext", "ra"])
        cases.append((f"{label} too many", expect(TypeError, target, *values, extra), values + [extra] + owner))
        if entry.parsed_by_module(core):
            cases.append((f"{label} unexpected keyword", expect(TypeError, target, *values, nam=extra),
                          values + [extra] + owner))
        for index, name in enumerate(parameters):
            wrong = object()
            arguments = values[:index] + [wrong] + values[index + 1:]
            cases.append((f"{label} {name} of a wrong type", expect(TypeError, target, *arguments),
                          arguments + owner))
        if entry.kind in ("method", "slot"):
            stranger = object()
            cases.append((f"{label} wrong self", expect(TypeError, entry.unbound(core), stranger, *values),
                          [stranger] + values))
    return cases


def operations(core):
    """(label, callable, arguments whose reference counts are watched): the
    sweep over every callable, then the error paths of particular values."""
    registry = core.PyFormulasRegistry()
    quarks = core.PyQuarkRegistry()
    matrix = core.PyCKMMatrix.from_topology()
    missing = "".join(["B", "3"])
    wrong = 12345678901
    bad_tol = RaisingFloat()
    text_tol = "0.1"
    huge = 10**400

    def panic():
        try:
            core.py_get_constant("")
        except BaseException as exc:
            if type(exc).__name__ != "PanicException":
                raise

    return swept(core) + [
        ("py_get_constant KeyError", expect(KeyError, core.py_get_constant, missing), [missing]),
        ("py_get_constant empty name panic", panic, []),
        ("py_get_constant int name", expect(TypeError, core.py_get_constant, wrong), [wrong]),
        ("PyFormulasRegistry argument", expect(TypeError, core.PyFormulasRegistry, missing), [missing]),
        ("get KeyError", expect(KeyError, registry.get, missing), [missing, registry]),
        ("get int name", expect(TypeError, registry.get, wrong), [wrong, registry]),
        ("len", lambda: len(registry), [registry]),
        ("PyQuarkRegistry keyword", expect(TypeError, core.PyQuarkRegistry, x=missing), [missing]),
        ("len quarks", lambda: len(quarks), [quarks]),
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
