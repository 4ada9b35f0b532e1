"""Property-based calls of every callable with arbitrary arguments. Each
outcome is predicted by a model of the documented argument handling: either
the documented result, or the documented exception with its message. The
callables are those the module registers; each has its model in OUTCOMES."""

import math
import warnings

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402
from veltrane import _quorra_core  # noqa: E402

from catalogue import CONSTANT_COUNT, CONSTANT_NAMES, DERIVED, SEED_VALUES  # noqa: E402
from conftest import VERSION  # noqa: E402
from surface import CALLABLES  # noqa: E402
from test_flavour import QUARKS  # noqa: E402

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
# The parameter names of every callable, and near misses.
PARAMETER_NAMES = sorted({name for entry in CALLABLES for name in entry.parameters(_quorra_core) or []})
keyword_names = st.one_of(st.sampled_from(PARAMETER_NAMES + ["x", "Name"]), texts)
keywords = st.dictionaries(keyword_names, objects, max_size=3)


def outcome(function, *args, **kwargs):
    """('ok', result) or (exception type, args)."""
    try:
        return ("ok", function(*args, **kwargs))
    except BaseException as exc:  # noqa: BLE001 - panics derive from BaseException
        return (type(exc), exc.args)


def plural(count):
    return "was" if count == 1 else "were"


def parse(error_name, parameters, args, kwargs):
    """Predicted TypeError message of argument matching, or None and the
    matched arguments by parameter name."""
    if len(args) > len(parameters):
        return TypeError, (f"{error_name} takes {len(parameters)} positional arguments but "
                           f"{len(args)} {plural(len(args))} given")
    matched = dict(zip(parameters, args))
    for key in kwargs:
        if key not in parameters:
            return TypeError, f"{error_name} got an unexpected keyword argument '{key}'"
        if key in matched:
            return TypeError, f"{error_name} got multiple values for argument '{key}'"
        matched[key] = kwargs[key]
    missing = [name for name in parameters if name not in matched]
    if missing:
        quoted = ", ".join(f"'{name}'" for name in missing)
        return TypeError, (f"{error_name} missing {len(missing)} required positional "
                           f"argument{'s' if len(missing) > 1 else ''}: {quoted}")
    return None, matched


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


def reference_float(value):
    """The interpreter's own float conversion of an argument, as math uses it."""
    return math.ldexp(value, 0)


# What a call gives once its arguments are matched: one model per callable,
# called as model(core, entry, target, arguments, result), where arguments
# maps each parameter to its value (None for a class without a constructor).

def datasheet(core, entry, target, arguments, result):
    error, name = text_argument(arguments["name"])
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


def registry_value(core, entry, target, arguments, result):
    error, name = text_argument(arguments["name"])
    if error:
        assert result == (error, name)
    elif name in SEED_VALUES:
        assert result == ("ok", SEED_VALUES[name])
    elif name in DERIVED:
        assert result == ("ok", 0.0)
    else:
        assert result == (KeyError, (f"constant `{name}` not found in registry",))
    assert len(target.__self__) == CONSTANT_COUNT


def unitarity(core, entry, target, arguments, result):
    with warnings.catch_warnings():
        # A __float__ returning a float subclass warns; that is the interpreter's business.
        warnings.simplefilter("ignore", DeprecationWarning)
        expected = outcome(reference_float, arguments["tol"])
    if expected[0] == "ok":
        assert result == ("ok", expected[1] >= 0.0)
    elif expected[0] is TypeError:
        detail = expected[1][0] if len(expected[1]) == 1 else str(TypeError(*expected[1]))
        assert result[0] is TypeError
        assert result[1] == (f"argument 'tol': {detail}",)
    else:
        assert result == expected
    assert target.__self__.is_unitary(0.0) is True


def returns(value):
    def model(core, entry, target, arguments, result):
        assert result == ("ok", value)
        assert type(result[1]) is type(value)
    return model


def instance(length=None):
    def model(core, entry, target, arguments, result):
        assert result[0] == "ok"
        assert type(result[1]) is getattr(core, entry.owner)
        if length is not None:
            assert len(result[1]) == length
    return model


def refused(core, entry, target, arguments, result):
    assert result == (TypeError, (f"No constructor defined for {entry.owner}",))


OUTCOMES = {
    "PyFormulasRegistry": instance(length=CONSTANT_COUNT),
    "PyFormulasRegistry.__len__": returns(CONSTANT_COUNT),
    "PyFormulasRegistry.get": registry_value,
    "PyFormulasRegistry.version": returns(VERSION),
    "PyQuarkRegistry": instance(length=0),
    "PyQuarkRegistry.__len__": returns(0),
    "PyCKMMatrix": refused,
    "PyCKMMatrix.from_topology": instance(),
    "PyCKMMatrix.is_unitary": unitarity,
    "PyCKMMatrix.jarlskog": returns(0.0),
    "py_list_constants": returns(CONSTANT_NAMES),
    "py_list_quarks": returns(QUARKS),
    "py_get_constant": datasheet,
}


def test_every_callable_has_a_model():
    assert sorted(entry.path for entry in CALLABLES) == sorted(OUTCOMES)


@pytest.mark.parametrize("entry", CALLABLES, ids=str)
@FUZZ
@given(args=st.lists(objects, max_size=3), kwargs=keywords)
def test_every_callable_matches_arguments_as_documented(core, entry, args, kwargs):
    model = OUTCOMES[entry.path]
    target = entry.target(core)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        result = outcome(target, *args, **kwargs)
    parameters = entry.parameters(core)
    if parameters is None:
        model(core, entry, target, None, result)
    elif entry.parsed_by_module(core):
        error, matched = parse(entry.error_name, parameters, args, kwargs)
        if error:
            assert result == (error, (matched,))
        else:
            model(core, entry, target, matched, result)
    elif args or kwargs:
        # The interpreter refuses them, in its own words.
        assert result[0] is TypeError, result
        if entry.kind != "slot":
            assert "takes no" in result[1][0]
    else:
        model(core, entry, target, {}, result)


WITH_SELF = [entry for entry in CALLABLES if entry.kind in ("method", "slot")]


@pytest.mark.parametrize("entry", WITH_SELF, ids=str)
@FUZZ
@given(value=objects)
def test_wrong_self_is_refused(core, entry, value):
    arguments = [0] * len(entry.parameters(core))
    result = outcome(entry.unbound(core), value, *arguments)
    assert result[0] is TypeError, result
