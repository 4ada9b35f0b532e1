"""Prints every text of veltrane._quorra_core that Python code can see, in a
fixed order, so that two builds can be compared with diff:

    python benchmarks/surface_dump.py > before.txt
    (change and reinstall)
    python benchmarks/surface_dump.py > after.txt
    diff before.txt after.txt

It walks __all__ and each class's __dict__ and prints the docstring and text
signature of the module, its functions, its classes and their attributes.
Then it calls every callable with a fixed set of bad arguments (wrong counts,
unknown, duplicate and oddly spelt keywords, each parameter given each of a
fixed set of wrong values, positionally and by keyword, and methods given a
wrong self through their descriptor) and prints what each call raised, or
returned. Strings are printed with ascii(), and object addresses as 0x?.
"""

import inspect
import re
import sys

from veltrane import _quorra_core as core


class Text(str):
    """A str subclass."""


class FloatLike:
    def __init__(self, result):
        self.result = result

    def __float__(self):
        if isinstance(self.result, BaseException):
            raise self.result
        return self.result


class IndexLike:
    def __index__(self):
        return 1


class BadStr:
    def __str__(self):
        raise RuntimeError("no text")


# (label, value): what each parameter is given in turn. Labels, not reprs,
# name them in the output.
VALUES = [
    ("None", lambda: None),
    ("1", lambda: 1),
    ("True", lambda: True),
    ("1.5", lambda: 1.5),
    ("nan", lambda: float("nan")),
    ("10**400", lambda: 10**400),
    ("b'x'", lambda: b"x"),
    ("'x'", lambda: "x"),
    ("'b3'", lambda: "b3"),
    ("Text('phi')", lambda: Text("phi")),
    ("'\\udc80'", lambda: "\udc80"),
    ("object()", object),
    ("str (the type)", lambda: str),
    ("FloatLike(-0.5)", lambda: FloatLike(-0.5)),
    ("FloatLike(raises ValueError)", lambda: FloatLike(ValueError("v"))),
    ("FloatLike(raises TypeError)", lambda: FloatLike(TypeError("t"))),
    ("FloatLike(returns 'text')", lambda: FloatLike("text")),
    ("IndexLike()", IndexLike),
    ("BadStr()", BadStr),
]

# Selves given to a method through its descriptor.
WRONG_SELVES = [
    ("None", lambda: None),
    ("1", lambda: 1),
    ("'x'", lambda: "x"),
    ("object()", object),
]

ADDRESS = re.compile(r"0x[0-9a-fA-F]+")


def text(value):
    return ADDRESS.sub("0x?", ascii(value))


def emit(*parts):
    print(*parts)


def describe(label, obj):
    emit(f"{label}: type {type(obj).__module__}.{type(obj).__qualname__}")
    emit(f"{label}.__doc__ = {text(getattr(obj, '__doc__', None))}")
    emit(f"{label}.__text_signature__ = {text(getattr(obj, '__text_signature__', None))}")
    for attribute in ("__name__", "__qualname__", "__module__"):
        if hasattr(obj, attribute):
            emit(f"{label}.{attribute} = {text(getattr(obj, attribute))}")


def result_text(result):
    if isinstance(result, (str, bytes, int, float, bool, type(None), list, dict)):
        return text(result)
    return f"<{type(result).__qualname__} instance>"


def call(label, function, args=(), kwargs=None):
    kwargs = kwargs or {}
    try:
        result = function(*args, **kwargs)
    except BaseException as exc:  # noqa: BLE001 - faults derive from BaseException
        kind = type(exc)
        line = f"{label} -> {kind.__module__}.{kind.__qualname__}{text(exc.args)}"
        for link in ("__cause__", "__context__"):
            linked = getattr(exc, link)
            if linked is not None:
                line += f" {link}={type(linked).__qualname__}{text(linked.args)}"
        emit(line)
        if isinstance(exc, (KeyboardInterrupt, SystemExit)):
            raise
    else:
        emit(f"{label} -> returned {result_text(result)}")


def parameters(function):
    """The parameter names that __text_signature__ gives, self left out."""
    try:
        signature = inspect.signature(function)
    except (TypeError, ValueError):
        return None
    return [name for name, parameter in signature.parameters.items()
            if parameter.kind not in (parameter.VAR_POSITIONAL, parameter.VAR_KEYWORD)]


def fill(names, value=None):
    return {name: value for name in names}


def bad_calls(label, function, names):
    """Every bad call of a callable taking the parameters `names`."""
    if names is None:
        emit(f"{label}: no text signature; calls with counts only")
        names_known = []
    else:
        names_known = names
    count = len(names_known)
    good = ["b3"] * count
    for positional in sorted({0, count + 1, count + 2} - ({count} if names is not None else set())):
        call(f"{label}(<{positional} positional>)", function, ("b3",) * positional)
    for keyword in ("unexpected", "Name", "\u00e9t\u00e9", "\udc80", ""):
        call(f"{label}(<given>, {text(keyword)}=None)", function, good, {keyword: None})
        call(f"{label}({text(keyword)}=None)", function, (), {keyword: None})
    for index, name in enumerate(names_known):
        call(f"{label}(<given>, {name}=...) duplicate", function, good, {name: "b3"})
        call(f"{label}(<missing {name}>)", function, good[:index],
             fill(names_known[index + 1:], "b3"))
        for value_label, make in VALUES:
            args = list(good)
            args[index] = make()
            call(f"{label}({name}={value_label}) positional", function, args)
            kwargs = fill(names_known, "b3")
            kwargs[name] = make()
            call(f"{label}({name}={value_label}) keyword", function, (), kwargs)


def instance_of(cls):
    """An instance made by calling the class, or by one of its static
    methods that takes no arguments."""
    try:
        return cls()
    except TypeError:
        pass
    for name, attribute in vars(cls).items():
        if isinstance(attribute, staticmethod) and parameters(getattr(cls, name)) == []:
            made = getattr(cls, name)()
            if type(made) is cls:
                return made
    return None


def dump_class(cls):
    describe(cls.__name__, cls)
    emit(f"{cls.__name__}.__bases__ = {[base.__qualname__ for base in cls.__bases__]}")
    emit(f"{cls.__name__} keys = {list(vars(cls))}")
    for name, attribute in vars(cls).items():
        label = f"{cls.__name__}.{name}"
        if isinstance(attribute, str):
            emit(f"{label} = {text(attribute)}")
            continue
        emit(f"{label}: in __dict__ as {type(attribute).__qualname__}")
        describe(label, getattr(cls, name))
    instance = instance_of(cls)
    emit(f"{cls.__name__}: instance {'made' if instance is not None else 'not made'}")

    # Construction.
    bad_calls(f"{cls.__name__}", cls, parameters(cls))

    for name, attribute in vars(cls).items():
        label = f"{cls.__name__}.{name}"
        if isinstance(attribute, str) or name == "__new__":
            continue
        if isinstance(attribute, staticmethod):
            bad_calls(label, getattr(cls, name), parameters(getattr(cls, name)))
            if instance is not None:
                call(f"<{cls.__name__} instance>.{name}(<1 positional>)", getattr(instance, name), [1])
            continue
        if instance is not None:
            bound = getattr(instance, name)
            bad_calls(f"<{cls.__name__} instance>.{name}", bound, parameters(bound))
        names = parameters(bound) if instance is not None else parameters(attribute)
        good = ["b3"] * len(names or [])
        for self_label, make in WRONG_SELVES + [
            (f"<{other.__name__} instance>", lambda other=other: instance_of(other))
            for other in classes() if other is not cls
        ]:
            call(f"{label}(self={self_label}, <given>)", attribute, [make(), *good])
        call(f"{label}()", attribute)


def classes():
    return [getattr(core, name) for name in core.__all__ if isinstance(getattr(core, name), type)]


def main():
    emit(f"module.__name__ = {text(core.__name__)}")
    emit(f"module.__doc__ = {text(core.__doc__)}")
    emit(f"module.__all__ = {text(core.__all__)}")
    emit(f"module keys = {sorted(name for name in vars(core) if not name.startswith('__'))}")
    for name in core.__all__:
        obj = getattr(core, name)
        if isinstance(obj, type):
            dump_class(obj)
        elif callable(obj):
            describe(name, obj)
            bad_calls(name, obj, parameters(obj))
        else:
            emit(f"{name} = {text(obj)}")


if __name__ == "__main__":
    sys.stdout.reconfigure(errors="backslashreplace")
    main()
