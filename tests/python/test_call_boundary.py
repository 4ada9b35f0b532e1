"""The call boundary: argument parsing, conversions, errors and faults."""

import re

import pytest

from conftest import run_python
from surface import CALLABLES

ENTRIES = {entry.path: entry for entry in CALLABLES}


def registry_get(core):
    return core.PyFormulasRegistry().get


def is_unitary(core):
    return core.PyCKMMatrix.from_topology().is_unitary


PARSE_ERRORS = [
    # (callable, args, kwargs, message): every callable whose arguments the
    # module matches itself, or that refuses every call, has its cases here.
    ("py_get_constant", (), {},
     "py_get_constant() missing 1 required positional argument: 'name'"),
    ("py_get_constant", ("a", "b"), {},
     "py_get_constant() takes 1 positional arguments but 2 were given"),
    ("py_get_constant", ("a", "b", "c"), {"nam": 1},
     "py_get_constant() takes 1 positional arguments but 3 were given"),
    ("py_get_constant", (), {"nam": "b3"},
     "py_get_constant() got an unexpected keyword argument 'nam'"),
    ("py_get_constant", ("b3",), {"name": "b3"},
     "py_get_constant() got multiple values for argument 'name'"),
    ("py_get_constant", (), {"Name": "b3"},
     "py_get_constant() got an unexpected keyword argument 'Name'"),
    ("PyFormulasRegistry.get", (), {}, "PyFormulasRegistry.get() missing 1 required positional argument: 'name'"),
    ("PyFormulasRegistry.get", (), {"name": "b3", "other": 1},
     "PyFormulasRegistry.get() got an unexpected keyword argument 'other'"),
    ("PyCKMMatrix.is_unitary", (), {}, "PyCKMMatrix.is_unitary() missing 1 required positional argument: 'tol'"),
    ("PyCKMMatrix.is_unitary", (1, 2), {}, "PyCKMMatrix.is_unitary() takes 1 positional arguments but 2 were given"),
    ("PyQuarkRegistry", (1,), {},
     "PyQuarkRegistry.__new__() takes 0 positional arguments but 1 was given"),
    ("PyFormulasRegistry", (1, 2), {},
     "PyFormulasRegistry.__new__() takes 0 positional arguments but 2 were given"),
    ("PyQuarkRegistry", (), {"x": 1},
     "PyQuarkRegistry.__new__() got an unexpected keyword argument 'x'"),
    ("PyFormulasRegistry", (), {"\u00e9t\u00e9": 1},
     "PyFormulasRegistry.__new__() got an unexpected keyword argument '\u00e9t\u00e9'"),
    ("PyCKMMatrix", (), {}, "No constructor defined for PyCKMMatrix"),
    ("PyCKMMatrix", (1,), {"x": 1}, "No constructor defined for PyCKMMatrix"),
]


@pytest.mark.parametrize("path, args, kwargs, message", PARSE_ERRORS)
def test_argument_parsing_errors(core, path, args, kwargs, message):
    with pytest.raises(TypeError) as info:
        ENTRIES[path].target(core)(*args, **kwargs)
    assert info.value.args == (message,)


def test_every_callable_that_checks_its_own_arguments_has_parse_error_cases(core):
    checking = [entry.path for entry in CALLABLES
                if entry.parsed_by_module(core) or entry.parameters(core) is None]
    assert sorted(checking) == sorted({path for path, _, _, _ in PARSE_ERRORS})


def test_keyword_with_lone_surrogate_is_unexpected(core):
    with pytest.raises(TypeError) as info:
        core.py_get_constant(**{"\udc80": "b3"})
    assert info.value.args == ("py_get_constant() got an unexpected keyword argument '\udc80'",)


def test_parse_error_wins_over_wrong_self_and_bad_argument(core):
    get = core.PyFormulasRegistry.get
    with pytest.raises(TypeError, match="missing 1 required positional argument"):
        get(core.PyFormulasRegistry())
    with pytest.raises(TypeError, match="takes 1 positional arguments but 2 were given"):
        get(core.PyFormulasRegistry(), 1, 2)


def test_wrong_self_is_refused_by_the_descriptor(core):
    with pytest.raises(TypeError, match="PyQuarkRegistry"):
        core.PyQuarkRegistry.__len__(42)
    with pytest.raises(TypeError, match="PyCKMMatrix"):
        core.PyCKMMatrix.jarlskog(core.PyQuarkRegistry())


class TextSubclass(str):
    pass


class FloatingObject:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class IndexObject:
    def __index__(self):
        return 1


@pytest.mark.parametrize("tol, expected", [
    (0, True), (True, True), (False, True), (1, True), (-1, False), (-1.0, False),
    (FloatingObject(0.5), True), (FloatingObject(-0.5), False), (IndexObject(), True),
])
def test_tolerance_accepts_anything_convertible_to_float(core, tol, expected):
    assert is_unitary(core)(tol) is expected


def test_str_subclass_is_accepted_as_name(core):
    assert registry_get(core)(TextSubclass("phi")) == 1.618033988749895
    assert core.py_get_constant(TextSubclass("b3"))["name"] == "b3"


@pytest.mark.parametrize("value, type_name", [
    (5, "int"), (None, "NoneType"), (b"b3", "bytes"), (2.5, "float"), (TextSubclass, "type"),
    (FloatingObject(1.0), "FloatingObject"),
])
@pytest.mark.parametrize("target", [registry_get, lambda core: core.py_get_constant])
def test_non_str_name_is_named_in_the_error(core, target, value, type_name):
    with pytest.raises(TypeError) as info:
        target(core)(value)
    assert info.value.args == (f"argument 'name': '{type_name}' object cannot be converted to 'PyString'",)


def test_non_str_name_uses_the_qualified_type_name(core):
    class Outer:
        class Inner:
            pass

    with pytest.raises(TypeError, match=r"'test_non_str_name_uses_the_qualified_type_name\.<locals>\.Outer\.Inner' object"):
        registry_get(core)(Outer.Inner())


@pytest.mark.parametrize("target", [registry_get, lambda core: core.py_get_constant])
def test_lone_surrogate_name_raises_unicode_encode_error(core, target):
    with pytest.raises(UnicodeEncodeError):
        target(core)("b3\udc80")


def test_tolerance_type_error_is_renamed(core):
    with pytest.raises(TypeError) as info:
        is_unitary(core)("0.1")
    assert info.value.args == ("argument 'tol': must be real number, not str",)


class RaisingFloat:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


def test_renamed_type_error_keeps_the_cause(core):
    cause = KeyError("root")
    error = TypeError("bad float")
    error.__cause__ = cause
    with pytest.raises(TypeError) as info:
        is_unitary(core)(RaisingFloat(error))
    assert info.value.args == ("argument 'tol': bad float",)
    assert info.value.__cause__ is cause


@pytest.mark.parametrize("call", [
    lambda core: is_unitary(core)("x"),
    lambda core: registry_get(core)(5),
    lambda core: core.py_get_constant(b"b3"),
])
def test_renamed_type_error_chains_the_exception_being_handled(core, call):
    handled = ValueError("being handled")
    try:
        raise handled
    except ValueError:
        with pytest.raises(TypeError, match="^argument '") as info:
            call(core)
    assert info.value.__context__ is handled
    assert info.value.__cause__ is None and not info.value.__suppress_context__


def test_renamed_type_error_keeps_cause_and_context(core):
    cause = KeyError("root")
    error = TypeError("bad float")
    error.__cause__ = cause
    handled = ValueError("being handled")
    try:
        raise handled
    except ValueError:
        with pytest.raises(TypeError) as info:
            is_unitary(core)(RaisingFloat(error))
    assert (info.value.__cause__, info.value.__context__) == (cause, handled)


class TypeErrorSubclass(TypeError):
    pass


@pytest.mark.parametrize("error", [ValueError("nope"), TypeErrorSubclass("sub"), ZeroDivisionError()])
def test_other_conversion_errors_pass_unchanged(core, error):
    with pytest.raises(type(error)) as info:
        is_unitary(core)(RaisingFloat(error))
    assert info.value is error


def test_float_returning_wrong_type_is_a_type_error(core):
    # The interpreter's own wording, which changes between versions, is passed
    # through after the argument's name.
    with pytest.raises(TypeError) as interpreter:
        float(FloatingObject("text"))
    expected = f"argument 'tol': {interpreter.value}"
    with pytest.raises(TypeError, match=f"^{re.escape(expected)}$"):
        is_unitary(core)(FloatingObject("text"))


def test_huge_int_tolerance_overflows_unwrapped(core):
    with pytest.raises(OverflowError, match="int too large to convert to float"):
        is_unitary(core)(10**400)


class Unprintable:
    def __str__(self):
        raise RuntimeError("no text")


def test_unprintable_error_argument_is_reported_and_replaced(core):
    reports = []
    import sys

    old_hook = sys.unraisablehook
    sys.unraisablehook = reports.append
    try:
        with pytest.raises(TypeError) as info:
            is_unitary(core)(RaisingFloat(TypeError(Unprintable())))
    finally:
        sys.unraisablehook = old_hook
    assert info.value.args == ("argument 'tol': <unprintable TypeError object>",)
    assert len(reports) == 1 and isinstance(reports[0].exc_value, RuntimeError)
    # The hook's argument holds a traceback whose frame holds `reports`; the
    # interpreter never frees that cycle (nor the same one made by its own
    # unraisable errors), so it is broken here.
    reports.clear()


def test_panic_exception_type(core):
    with pytest.raises(BaseException) as info:
        core.py_get_constant("")
    panic = type(info.value)
    assert not issubclass(panic, Exception)
    assert panic.__bases__ == (BaseException,)
    assert panic.__module__ == "pyo3_runtime"
    assert panic.__name__ == "PanicException"
    assert panic.__doc__ == (
        "\nThe exception raised when native code called from Python panics.\n\n"
        "Like SystemExit, this exception is derived from BaseException so that\n"
        "it will typically propagate all the way through the stack and cause the\n"
        "Python interpreter to exit.\n"
    )
    assert info.value.args == ("py_get_constant: name must be non-empty",)
    # One type per process.
    with pytest.raises(panic):
        core.py_get_constant("")


def test_except_exception_does_not_catch_a_panic(core):
    def swallow():
        try:
            core.py_get_constant("")
        except Exception:
            return "swallowed"

    with pytest.raises(BaseException, match="name must be non-empty"):
        swallow()
    assert core.py_get_constant("b3")["value"] == 24.0


FAULT_REPORT = re.compile(
    r"\nthread '[^']+' \(\d+\) panicked at [^\n]+\.cpp:\d+:\d+:\n"
    r"py_get_constant: name must be non-empty\n"
)


def test_fault_report_on_standard_error_with_one_note():
    result = run_python(
        """
        from veltrane import _quorra_core as core
        for _ in range(3):
            try:
                core.py_get_constant("")
            except BaseException as exc:
                print(type(exc).__name__, exc)
        print(core.py_get_constant("b3")["name"])
        """
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "PanicException py_get_constant: name must be non-empty"] * 3 + ["b3"]
    assert len(FAULT_REPORT.findall(result.stderr)) == 3
    # The note on backtraces follows the first report only.
    first, *later = FAULT_REPORT.split(result.stderr)[1:]
    assert first.startswith("note: ") and first.count("\n") == 1
    assert later == ["", ""]


def test_panic_raised_inside_a_callback_is_resumed():
    result = run_python(
        """
        from veltrane import _quorra_core as core

        class Reentrant:
            def __float__(self):
                core.py_get_constant("")

        try:
            core.PyCKMMatrix.from_topology().is_unitary(Reentrant())
        except BaseException as exc:
            print(type(exc).__name__, exc.args)
        print(core.PyCKMMatrix.from_topology().is_unitary(0.0))
        """
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "PanicException ('py_get_constant: name must be non-empty',)",
        "True",
    ]
    banner = (
        "--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n"
        "Python stack trace below:\n"
    )
    assert result.stderr.count(banner) == 1
    after_banner = result.stderr.split(banner)[1]
    assert "Traceback (most recent call last):" in after_banner
    assert "PanicException: py_get_constant: name must be non-empty" in after_banner
    # Only the original fault wrote a report; the resumed one did not.
    assert result.stderr.count("panicked at") == 1


def test_resumed_panic_is_printed_before_its_message_is_taken():
    result = run_python(
        """
        import sys
        from veltrane import _quorra_core as core

        try:
            core.py_get_constant("")
        except BaseException as exc:
            panic = type(exc)
        events = []
        panic.__str__ = lambda self: events.append("str") or "message from str"
        sys.excepthook = lambda *exc_info: events.append("printed")

        class Reentrant:
            def __float__(self):
                core.py_get_constant("")

        try:
            core.PyCKMMatrix.from_topology().is_unitary(Reentrant())
        except BaseException as exc:
            events.append(exc.args)
        print(events)
        """
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout == "['printed', 'str', ('message from str',)]\n"


NAMED_AND_UNNAMED_FAULTS = """
import ctypes, threading
from veltrane import _quorra_core as core

def fault():
    try:
        core.py_get_constant("")
    except BaseException:
        pass

def named_fault():
    ctypes.CDLL(None).prctl(15, b"worker-7")  # PR_SET_NAME
    fault()

fault()
for target in (fault, named_fault):
    thread = threading.Thread(target=target)
    thread.start()
    thread.join()
"""


def emulator_of_this_interpreter():
    """The program the kernel runs for this interpreter's executable when that
    is not the executable itself (a binfmt_misc handler such as qemu-user),
    else None. Read from /proc/PID/exe of a child: an emulator answers for its
    own process, not for others."""
    import os
    import subprocess
    import sys

    child = subprocess.Popen([sys.executable, "-c", "import sys; sys.stdin.read()"],
                             stdin=subprocess.PIPE)
    try:
        running = os.readlink(f"/proc/{child.pid}/exe")
    finally:
        child.stdin.close()
        child.wait()
    return None if running == os.path.realpath(sys.executable) else running


@pytest.mark.parametrize("launch", ["script with #! line", "other argv[0]"])
def test_fault_report_names_only_threads_somebody_named(tmp_path, launch):
    import os
    import subprocess
    import sys

    import veltrane

    if launch == "script with #! line" and (emulator := emulator_of_this_interpreter()):
        # The kernel names the process after the script, while qemu-user hands
        # the interpreter the interpreter's own path as AT_EXECFN: the name the
        # process started with no longer matches what it was executed as.
        pytest.skip(f"run through {emulator}, which gives a #!-launched interpreter its own path "
                    "as AT_EXECFN, not the script's that the kernel named the thread after")

    script = tmp_path / "launched-as-script.py"
    script.write_text(f"#!{sys.executable}\n" + NAMED_AND_UNNAMED_FAULTS)
    script.chmod(0o755)
    # A different argv[0] loses a virtual environment's packages, so the
    # package's location is passed on explicitly.
    package_root = os.path.dirname(os.path.dirname(veltrane.__file__))
    env = dict(os.environ, PYTHONPATH=package_root)
    if launch == "script with #! line":
        command = dict(args=[str(script)])
    else:
        command = dict(args=["renamed-interpreter", str(script)], executable=sys.executable)
    result = subprocess.run(**command, env=env, capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, result.stderr
    names = re.findall(r"^thread '([^']*)' \(\d+\) panicked at ", result.stderr, re.M)
    # From 3.14 on, threading gives each thread it starts an operating-system
    # name: its Python name cut to 15 bytes. That thread has been named.
    if sys.version_info >= (3, 14):
        started_by_threading = "Thread-1 (fault)".encode()[:15].decode()
    else:
        started_by_threading = "<unnamed>"
    assert names == ["<unnamed>", started_by_threading, "worker-7"]


def test_module_writes_nothing_to_standard_output():
    result = run_python(
        """
        from veltrane import _quorra_core as core
        core.py_list_constants(); core.py_list_quarks(); core.py_get_constant("phi")
        for bad in ("", "nope", 3):
            try:
                core.py_get_constant(bad)
            except BaseException:
                pass
        """
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout == ""
