"""The callables of veltrane._quorra_core, found in the module itself: the
sweeps of the tests walk these, so a callable is covered as soon as the
module registers it.

A callable is one of
- "function": a module function named in __all__;
- "constructor": calling a class named in __all__;
- "method": an instance method in a class's __dict__, called bound to an instance;
- "static": a static method in a class's __dict__;
- "slot": a special method that the interpreter provides (__len__), called bound.
"""

import inspect
import types
from dataclasses import dataclass

from veltrane import _quorra_core


@dataclass(frozen=True)
class Callable:
    path: str  # "py_get_constant", "PyFormulasRegistry", "PyFormulasRegistry.get"
    kind: str
    owner: str | None  # the class's name, for all but module functions
    name: str

    def __str__(self):
        return self.path

    def unbound(self, core):
        """The object as the module or class holds it: for a method, the
        descriptor that checks self."""
        if self.owner is None:
            return getattr(core, self.name)
        cls = getattr(core, self.owner)
        if self.kind == "constructor":
            return cls
        return vars(cls)[self.name]

    def target(self, core):
        """What a caller calls: methods and slots bound to a fresh instance."""
        if self.owner is None:
            return getattr(core, self.name)
        cls = getattr(core, self.owner)
        if self.kind == "constructor":
            return cls
        if self.kind in ("method", "slot"):
            return getattr(instance_of(cls), self.name)
        return getattr(cls, self.name)

    def parameters(self, core):
        """The parameter names that the text signature gives (self left out),
        or None for a callable without one."""
        target = self.target(core)
        if getattr(target, "__text_signature__", None) is None:
            return None
        return [name for name, parameter in inspect.signature(target).parameters.items()
                if parameter.kind not in (parameter.VAR_POSITIONAL, parameter.VAR_KEYWORD)]

    def parsed_by_module(self, core):
        """True when the module's own parser matches the arguments, naming the
        callable in its errors. The interpreter itself refuses every argument
        of a callable without parameters, and checks those of special methods;
        a class without a constructor refuses every call."""
        if self.kind == "slot":
            return False
        parameters = self.parameters(core)
        if self.kind == "constructor":
            return parameters is not None
        return bool(parameters)

    @property
    def error_name(self):
        """The callable's name in the module's argument errors."""
        if self.kind == "constructor":
            return f"{self.owner}.__new__()"
        return f"{self.path}()"


def instance_of(cls):
    """An instance of one of the module's classes: made by calling the class,
    or by a static method without parameters that returns one."""
    if getattr(cls, "__text_signature__", None) == "()":
        return cls()
    for name, attribute in vars(cls).items():
        if isinstance(attribute, staticmethod):
            factory = getattr(cls, name)
            if getattr(factory, "__text_signature__", None) == "()":
                made = factory()
                if type(made) is cls:
                    return made
    raise AssertionError(f"{cls.__name__}: no way to make an instance")


# Entries of a class's __dict__ that are not callables of their own.
_CLASS_DATA = {"__doc__", "__module__", "__new__"}


def _class_members(cls):
    for name, attribute in vars(cls).items():
        if name in _CLASS_DATA:
            continue
        if isinstance(attribute, staticmethod):
            kind = "static"
        elif isinstance(attribute, types.MethodDescriptorType):
            kind = "method"
        elif isinstance(attribute, types.WrapperDescriptorType):
            kind = "slot"
        else:
            raise AssertionError(
                f"{cls.__name__}.{name}: a {type(attribute).__name__} that the tests do not know")
        yield Callable(f"{cls.__name__}.{name}", kind, cls.__name__, name)


def callables(core=_quorra_core):
    """Every callable of the module, in registration order."""
    found = []
    for name in core.__all__:
        obj = getattr(core, name)
        if isinstance(obj, type):
            found.append(Callable(name, "constructor", name, "__new__"))
            found.extend(_class_members(obj))
        elif callable(obj):
            found.append(Callable(name, "function", None, name))
    return found


def classes(core=_quorra_core):
    return [name for name in core.__all__ if isinstance(getattr(core, name), type)]


CALLABLES = callables()
