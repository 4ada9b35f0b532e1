"""Property-based calls of every callable with arbitrary arguments. Each
outcome is predicted by a model of the documented argument handling: either
the documented result, or the documented exception with its message."""

import math
import warnings

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

from test_formulas import CONSTANT_NAMES, DERIVED, SEED_VALUES  # noqa: E402

FUZZ = settings(max_examples=300, deadline=None, suppress_health_check=[HealthCheck.too_slow])


class Text(str):
    """A str subclass, with a __str__ of its own."""

    def __str__(self):
        return "Text:" + str.__str__(self)


class Answering:
    """Answers one conversion with a fixed result, or raises it if it is an exception."""

    def __init__(self, result):
        self.result = result

    def answer(self):
        if isinstance(self.result, BaseException):
            raise self.result
        return self.result

    def __repr__(self):
        return f"{type(self).__name__}({self.result!r})"


class FloatLike(Answering):
    def __float__(self):
        return self.answer()


class IndexLike(Answering):
    def __index__(self):
        return self.answer()


class BadStr(Answering):
    """An object whose str() fails or gives the wrong type."""

    def __str__(self):
        return self.answer()


# A new exception for every example: one instance raised again and again would
# carry the tracebacks of all its raises.
errors = st.sampled_from([ValueError("v"), TypeError("t"), ZeroDivisionError(), KeyError("k"),
                          OverflowError("o"), RuntimeError("r")]).map(lambda e: type(e)(*e.args))
texts = st.text(alphabet=st.characters(codec=None, categories=None), max_size=12)
names = st.one_of(st.sampled_from(CONSTANT_NAMES + ["", "B3", "b3 ", "b3\x00"]), texts)
plain = st.one_of(
    st.integers(), st.integers(min_value=2**1000, max_value=2**1100), st.floats(),
    st.booleans(), st.none(), names, names.map(Text), st.binary(max_size=8),
)
objects = st.one_of(
    plain,
    st.one_of(st.floats(), st.integers(), errors, st.text(max_size=3), st.none()).map(FloatLike),
    st.one_of(st.integers(), errors, st.floats(), st.none()).map(IndexLike),
    st.one_of(errors, st.integers(), st.none()).map(BadStr),
)
keyword_names = st.one_of(st.sampled_from(["name", "tol", "x", "Name"]), texts)
keywords = st.dictionaries(keyword_names, objects, max_size=3)


def outcome(function, *args, **kwargs):
    """('ok', result) or (exception type, args)."""
    try:
        return ("ok", function(*args, **kwargs))
    except BaseException as exc:  # noqa: BLE001 - panics derive from BaseException
        return (type(exc), exc.args)


def plural(count):
    return "was" if count == 1 else "were"


def parse(full_name, parameter, args, kwargs):
    """Predicted TypeError of argument matching, or the matched argument."""
    if len(args) > 1:
        return TypeError, f"{full_name} takes 1 positional arguments but {len(args)} {plural(len(args))} given"
    slot = list(args)
    for key in kwargs:
        if key != parameter:
            return TypeError, f"{full_name} got an unexpected keyword argument '{key}'"
        if slot:
            return TypeError, f"{full_name} got multiple values for argument '{parameter}'"
        slot.append(kwargs[key])
    if not slot:
        return TypeError, f"{full_name} missing 1 required positional argument: '{parameter}'"
    return None, slot[0]


def text_argument(value):
    """Predicted (error type, args) of the name conversion, or (None, text)."""
    if not isinstance(value, str):
        message = f"'{type(value).__qualname__}' object cannot be converted to 'PyString'"
        return TypeError, (f"argument 'name': {message}",)
    try:
        str.encode(value, "utf-8")
    except UnicodeEncodeError as exc:
        return UnicodeEncodeError, exc.args
    return None, str.__str__(value)


def check_call_still_works(core):
    assert core.py_get_constant("b3")["value"] == 24.0


@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_py_get_constant(core, args, kwargs):
    result = outcome(core.py_get_constant, *args, **kwargs)
    error, value = parse("py_get_constant()", "name", args, kwargs)
    if error:
        assert result == (error, (value,))
        return
    error, name = text_argument(value)
    if error:
        assert result == (error, name)
    elif name == "":
        assert result[0].__name__ == "PanicException"
        assert result[1] == ("py_get_constant: name must be non-empty",)
    elif name in CONSTANT_NAMES:
        assert result[0] == "ok" and result[1]["name"] == name
        assert result[1]["value"] == SEED_VALUES.get(name, 0.0)
    else:
        assert result == (KeyError, (f"constant `{name}` not found in registry",))
    check_call_still_works(core)


@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_registry_get(core, args, kwargs):
    registry = core.PyFormulasRegistry()
    result = outcome(registry.get, *args, **kwargs)
    error, value = parse("PyFormulasRegistry.get()", "name", args, kwargs)
    if error:
        assert result == (error, (value,))
        return
    error, name = text_argument(value)
    if error:
        assert result == (error, name)
    elif name in SEED_VALUES:
        assert result == ("ok", SEED_VALUES[name])
    elif name in DERIVED:
        assert result == ("ok", 0.0)
    else:
        assert result == (KeyError, (f"constant `{name}` not found in registry",))
    assert len(registry) == 17


def reference_float(value):
    """The interpreter's own float conversion of an argument, as math uses it."""
    return math.ldexp(value, 0)


@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_is_unitary(core, args, kwargs):
    matrix = core.PyCKMMatrix.from_topology()
    with warnings.catch_warnings():
        # A __float__ returning a float subclass warns; that is the interpreter's business.
        warnings.simplefilter("ignore", DeprecationWarning)
        result = outcome(matrix.is_unitary, *args, **kwargs)
    error, value = parse("PyCKMMatrix.is_unitary()", "tol", args, kwargs)
    if error:
        assert result == (error, (value,))
        return
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        expected = outcome(reference_float, value)
    if expected[0] == "ok":
        assert result == ("ok", expected[1] >= 0.0)
    elif expected[0] is TypeError:
        detail = expected[1][0] if len(expected[1]) == 1 else str(TypeError(*expected[1]))
        assert result[0] is TypeError
        assert result[1] == (f"argument 'tol': {detail}",)
    else:
        assert result == expected
    assert matrix.is_unitary(0.0) is True


NO_ARGUMENT_CALLS = [
    ("py_list_constants", lambda core: core.py_list_constants),
    ("py_list_quarks", lambda core: core.py_list_quarks),
    ("version", lambda core: core.PyFormulasRegistry.version),
    ("from_topology", lambda core: core.PyCKMMatrix.from_topology),
    ("jarlskog", lambda core: core.PyCKMMatrix.from_topology().jarlskog),
]


@pytest.mark.parametrize("label, target", NO_ARGUMENT_CALLS)
@FUZZ
@given(args=st.lists(objects, max_size=2), kwargs=keywords)
def test_no_argument_callables(core, label, target, args, kwargs):
    result = outcome(target(core), *args, **kwargs)
    if args or kwargs:
        assert result[0] is TypeError
        assert "takes no" in result[1][0]
    else:
        assert result[0] == "ok"


@pytest.mark.parametrize("cls", ["PyFormulasRegistry", "PyQuarkRegistry"])
@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_constructors(core, cls, args, kwargs):
    result = outcome(getattr(core, cls), *args, **kwargs)
    if args:
        message = f"{cls}.__new__() takes 0 positional arguments but {len(args)} {plural(len(args))} given"
        assert result == (TypeError, (message,))
    elif kwargs:
        key = next(iter(kwargs))
        assert result == (TypeError, (f"{cls}.__new__() got an unexpected keyword argument '{key}'",))
    else:
        assert result[0] == "ok"
        assert len(result[1]) == (17 if cls == "PyFormulasRegistry" else 0)


@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_ckm_matrix_constructor_is_always_refused(core, args, kwargs):
    assert outcome(core.PyCKMMatrix, *args, **kwargs) == (
        TypeError, ("No constructor defined for PyCKMMatrix",))


@FUZZ
@given(value=objects)
def test_wrong_self_is_refused(core, value):
    for method in (core.PyFormulasRegistry.get, core.PyCKMMatrix.is_unitary):
        result = outcome(method, value, 0)
        assert result[0] is TypeError, result
    result = outcome(core.PyQuarkRegistry.__len__, value)
    assert result[0] is TypeError
