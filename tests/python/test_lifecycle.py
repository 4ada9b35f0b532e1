"""Lifecycles a program can force on the module: threads ended by the
interpreter in the middle of a call, and instances made past the classes'
constructors."""

import pytest

from conftest import run_python

# Daemon threads that are inside a module call when the main thread ends the
# interpreter: CPython ends each of them where it tries to take the
# interpreter lock back, inside the C API call that gave it up.
DAEMONS_AT_EXIT = """
import threading, time
from veltrane import _quorra_core as core

class Tolerance:
    def __float__(self):
        total = 0
        for i in range(50):
            total += i
        return 0.0

matrix = core.PyCKMMatrix.from_topology()
loops = {{
    "datasheet": lambda: core.py_get_constant("phi"),
    "float callback": lambda: matrix.is_unitary(Tolerance()),
}}

def run(call):
    while True:
        call()

for name in {loops!r}:
    for _ in range(2):
        threading.Thread(target=run, args=(loops[name],), daemon=True).start()
time.sleep(0.2)
"""


@pytest.mark.parametrize("loops", [["datasheet"], ["float callback"], ["datasheet", "float callback"]])
def test_daemon_threads_inside_calls_let_the_interpreter_exit(loops):
    # A race: each run ends the threads at other points of their calls.
    for _ in range(5):
        result = run_python(DAEMONS_AT_EXIT.format(loops=loops))
        assert (result.returncode, result.stderr) == (0, "")


MADE_PAST_THE_CONSTRUCTOR = """
import gc
from veltrane import _quorra_core as core

cases = [
    (core.PyCKMMatrix, "PyCKMMatrix.from_topology()",
     [lambda m: m.is_unitary(0.0), lambda m: m.jarlskog()]),
    (core.PyFormulasRegistry, "PyFormulasRegistry()", [len, bool, lambda r: r.get("phi")]),
    (core.PyQuarkRegistry, "PyQuarkRegistry()", [len, bool]),
]
for cls, made_by, operations in cases:
    cls.__new__ = staticmethod(lambda c, *args: object.__new__(c))
    instance = cls()
    assert type(instance) is cls
    for operation in operations:
        try:
            operation(instance)
        except TypeError as error:
            assert error.args == (f"{cls.__name__} object was not made by {made_by} and holds no value",)
        else:
            raise AssertionError(f"{cls.__name__}: an operation answered")
    del instance
    gc.collect()
# Instances made the regular way still work.
assert core.PyCKMMatrix.from_topology().is_unitary(0.0) is True
print("ok")
"""


def test_instances_made_past_the_constructor_refuse_every_operation():
    # In a process of its own: the classes are changed for good.
    result = run_python(MADE_PAST_THE_CONSTRUCTOR)
    assert (result.returncode, result.stdout, result.stderr) == (0, "ok\n", "")
