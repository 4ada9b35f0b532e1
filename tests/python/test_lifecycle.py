"""Lifecycles a program can force on the module: threads ended by the
interpreter in the middle of a call, and instances made past the classes'
constructors."""

import subprocess
import sys

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


# The fault path with a daemon thread at exit: Python code that gives up the
# interpreter lock, run by raising PanicException (its __init__) or by
# releasing what a fault left behind (a finalizer of the callback's frame).
FAULTS_AT_EXIT = {
    "PanicException.__init__": """
import threading, time
from veltrane import _quorra_core as core
try:
    core.py_get_constant("")
except BaseException as error:
    panic = type(error)
def init(self, *args):
    BaseException.__init__(self, *args)
    time.sleep(0.002)
panic.__init__ = init
def work():
    while True:
        try:
            raise KeyError
        except KeyError:
            try:
                core.py_get_constant("")
            except BaseException:
                pass
threading.Thread(target=work, daemon=True).start()
time.sleep(0.05)
""",
    "finalizer of a callback": """
import io, sys, threading, time
from veltrane import _quorra_core as core
# The interpreter aborts by itself when a daemon thread it has stopped holds
# the lock of sys.stderr's buffer as it flushes it at exit ("could not acquire
# lock ... possibly due to daemon threads"), as a loop of
# traceback.print_exc() shows without the module: often from 3.14 on, and on
# 3.11 too when the thread runs slowly enough (as under emulation). The
# traceback this thread prints goes where no such lock is taken.
sys.stderr = io.StringIO()
class Slow:
    def __del__(self):
        time.sleep(0.002)
class Tolerance:
    def __float__(self):
        kept = Slow()
        core.py_get_constant("")
matrix = core.PyCKMMatrix.from_topology()
def work():
    while True:
        try:
            matrix.is_unitary(Tolerance())
        except BaseException:
            pass
threading.Thread(target=work, daemon=True).start()
time.sleep(0.05)
""",
}


@pytest.mark.parametrize("case", FAULTS_AT_EXIT)
def test_daemon_threads_on_the_fault_path_let_the_interpreter_exit(case):
    for _ in range(5):
        result = run_python(FAULTS_AT_EXIT[case])
        assert result.returncode == 0, result.stderr[-2000:]


# The same paths, with the thread ended on purpose: pthread_exit, called
# through ctypes (which gives up the interpreter lock first), ends the thread
# by a forced unwinding through the module, as the interpreter does at exit.
THREAD_ENDED_ON_THE_FAULT_PATH = """
import ctypes, sys, threading
from veltrane import _quorra_core as core

libc = ctypes.CDLL(None)
ending = threading.Event()

def end_this_thread(*args):
    ending.set()
    libc.pthread_exit(None)

try:
    core.py_get_constant("")
except BaseException as error:
    panic = type(error)

if sys.argv[1] == "PanicException.__init__":
    def init(self, *args):
        BaseException.__init__(self, *args)
        end_this_thread()
    panic.__init__ = init
    def call():
        try:
            raise KeyError
        except KeyError:
            core.py_get_constant("")
else:
    class Finalized:
        __del__ = end_this_thread
    class Tolerance:
        def __float__(self):
            kept = Finalized()
            core.py_get_constant("")
    matrix = core.PyCKMMatrix.from_topology()
    def call():
        matrix.is_unitary(Tolerance())

def work():
    try:
        call()
    except BaseException:
        pass
    print("the thread went on")

threading.Thread(target=work, daemon=True).start()
assert ending.wait(30)
# The module itself still answers on the thread that remains.
assert core.PyFormulasRegistry().get("b3") == 24.0
print("the process went on")
"""


@pytest.mark.parametrize("case", ["PanicException.__init__", "finalizer of a callback"])
def test_a_thread_ended_on_the_fault_path_ends_alone(case):
    result = subprocess.run(
        [sys.executable, "-c", THREAD_ENDED_ON_THE_FAULT_PATH, case],
        capture_output=True, text=True, timeout=60,
    )
    assert (result.returncode, result.stdout) == (0, "the process went on\n"), result.stderr[-2000:]
