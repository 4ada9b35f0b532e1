"""The module object: entry point, registration, classes and docstrings."""

import ast
import importlib
import sys
from pathlib import Path

import pytest

from conftest import VERSION, run_python
from surface import CALLABLES, classes, instance_of

ALL = [
    "PyFormulasRegistry",
    "PyQuarkRegistry",
    "PyCKMMatrix",
    "py_list_constants",
    "py_list_quarks",
    "py_get_constant",
    "__version__",
]


def test_all_lists_every_public_name_in_registration_order(core):
    assert core.__all__ == ALL
    assert all(hasattr(core, name) for name in ALL)


def test_module_has_no_attributes_beyond_its_public_names(core):
    own = {name for name in vars(core) if not name.startswith("__")}
    assert own == {name for name in ALL if not name.startswith("__")}
    assert not hasattr(core, "version")
    assert not hasattr(core, "PanicException")


def test_module_docstring_and_version(core):
    assert core.__doc__ == "PyO3 module entry point. Wired as `veltrane._quorra_core`."
    assert core.__version__ == VERSION
    assert core.PyFormulasRegistry.version() == VERSION
    assert core.PyFormulasRegistry().version() == VERSION


def test_reimport_returns_the_same_module_with_its_attributes(core):
    core.marker_set_by_test = 42
    try:
        del sys.modules["veltrane._quorra_core"]
        again = importlib.import_module("veltrane._quorra_core")
        assert again is core
        assert again.marker_set_by_test == 42
        assert again.__all__ == ALL
    finally:
        del core.marker_set_by_test
        sys.modules["veltrane._quorra_core"] = core


# Runs in a fresh process: imports the module, then tries again from a second
# interpreter that shares the process (the private interpreters module of each
# CPython version, in its legacy configuration that allows such modules).
SUBINTERPRETER_IMPORT = r"""
import os, sys, tempfile
import veltrane._quorra_core

fd, out = tempfile.mkstemp()
os.close(fd)
code = (
    "try:\n"
    "    import veltrane._quorra_core\n"
    "    result = 'imported'\n"
    "except ImportError as exc:\n"
    "    result = 'ImportError: ' + str(exc)\n"
    f"open({out!r}, 'w').write(result)\n"
)
if sys.version_info >= (3, 13):
    import _interpreters
    _interpreters.run_string(_interpreters.create("legacy"), code)
else:
    import _xxsubinterpreters as interpreters
    legacy = {"isolated": False} if sys.version_info >= (3, 12) else {}
    interpreters.run_string(interpreters.create(**legacy), code)
print(open(out).read())
os.remove(out)
"""


def test_second_interpreter_is_refused():
    result = run_python(SUBINTERPRETER_IMPORT)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith(
        "ImportError: PyO3 modules do not yet support subinterpreters, see https://"
    ), result.stdout


CLASS_DOCS = [
    ("PyFormulasRegistry", "Python wrapper for [`FormulasRegistry`].", "()"),
    ("PyQuarkRegistry", "Python wrapper for [`QuarkRegistry`].", "()"),
    ("PyCKMMatrix", "Python wrapper for [`CKMMatrix`].", None),
]


@pytest.mark.parametrize("name, doc, signature", CLASS_DOCS)
def test_class_identity_and_docs(core, name, doc, signature):
    cls = getattr(core, name)
    assert cls.__doc__ == doc
    assert cls.__text_signature__ == signature
    assert cls.__module__ == "builtins"
    assert cls.__name__ == cls.__qualname__ == name
    assert repr(cls) == f"<class 'builtins.{name}'>"
    assert cls.__bases__ == (object,)


@pytest.mark.parametrize("name", [name for name, _, _ in CLASS_DOCS])
def test_classes_cannot_be_subclassed(core, name):
    with pytest.raises(TypeError, match="is not an acceptable base type"):
        type("Sub", (getattr(core, name),), {})


def instances(core):
    return [instance_of(getattr(core, name)) for name in classes(core)]


def test_instances_have_no_dict_and_no_weak_references(core):
    import weakref

    for instance in instances(core):
        assert not hasattr(instance, "__dict__")
        with pytest.raises(AttributeError):
            instance.anything = 1
        with pytest.raises(TypeError):
            weakref.ref(instance)


CALLABLE_DOCS = [
    ("py_list_constants", "()", "Native-accelerated twin of `veltrane.list_constants`.\n\n"
     "Returns all known constant names from the FormulasRegistry."),
    ("py_list_quarks", "()", "Native-accelerated twin of `veltrane.list_quarks`.\n\n"
     "Returns all SM quark names from the QuarkRegistry."),
    ("py_get_constant", "(name)", "Native-accelerated twin of `veltrane.Get` for the constants "
     "branch.\n\nReturns a JSON-serialised dict with `name`, `value`, `units`,\n`uncertainty`, "
     "and `status` fields \u2014 matching the Python constant\ndatasheet schema so callers "
     "don't need to branch.\n\nRaises `PyKeyError` when `name` is not in the registry."),
    ("PyFormulasRegistry.get", "($self, name)", "Retrieve the numeric value for `name`."),
    ("PyFormulasRegistry.version", "()", "Library-version round-trip helper."),
    ("PyCKMMatrix.from_topology", "()", "Build the CKM matrix from the underlying topology."),
    ("PyCKMMatrix.is_unitary", "($self, tol)", "`True` when the matrix is unitary within `tol`."),
    ("PyCKMMatrix.jarlskog", "($self)", "CP-violation Jarlskog invariant J."),
]


def test_every_class_and_callable_has_its_docstring_listed(core):
    assert [name for name, _, _ in CLASS_DOCS] == classes(core)
    # Special methods carry the interpreter's own docstrings.
    documented = [entry.path for entry in CALLABLES if entry.kind in ("function", "method", "static")]
    assert sorted(path for path, _, _ in CALLABLE_DOCS) == sorted(documented)


@pytest.mark.parametrize("path, signature, doc", CALLABLE_DOCS)
def test_callable_signatures_and_docs(core, path, signature, doc):
    target = core
    for part in path.split("."):
        target = getattr(target, part)
    assert target.__text_signature__ == signature
    assert target.__doc__ == doc


def test_module_functions_are_bound_to_the_module(core):
    functions = [entry.name for entry in CALLABLES if entry.kind == "function"]
    assert functions
    for name in functions:
        function = getattr(core, name)
        assert function.__self__ is core
        assert function.__module__ == core.__name__ == "veltrane._quorra_core"
        assert function.__name__ == name


def test_static_methods_work_on_class_and_instance(core):
    matrix = core.PyCKMMatrix.from_topology()
    assert type(matrix.from_topology()) is core.PyCKMMatrix
    assert core.PyFormulasRegistry().version() == VERSION


@pytest.mark.parametrize("args, kwargs", [((), {}), ((1,), {}), ((), {"x": 1})])
def test_ckm_matrix_refuses_construction(core, args, kwargs):
    with pytest.raises(TypeError) as info:
        core.PyCKMMatrix(*args, **kwargs)
    assert info.value.args == ("No constructor defined for PyCKMMatrix",)


@pytest.mark.parametrize("call", [
    lambda core: core.py_list_constants(1),
    lambda core: core.py_list_quarks(x=1),
    lambda core: core.PyFormulasRegistry.version(1),
    lambda core: core.PyCKMMatrix.from_topology(None),
    lambda core: core.PyCKMMatrix.from_topology().jarlskog(1),
])
def test_no_argument_callables_refuse_arguments(core, call):
    with pytest.raises(TypeError, match="takes no arguments|takes no keyword arguments"):
        call(core)


def test_registry_truth_value_follows_length(core):
    assert bool(core.PyFormulasRegistry()) is True
    assert bool(core.PyQuarkRegistry()) is False


@pytest.mark.parametrize("entry", [entry for entry in CALLABLES if entry.kind != "slot"], ids=str)
def test_each_signature_names_the_parameters_the_parser_takes(core, entry):
    target = entry.target(core)
    parameters = entry.parameters(core)
    if parameters is None:
        # No text signature: a class that refuses every call.
        with pytest.raises(TypeError, match="^No constructor defined for "):
            target()
        return
    if not parameters:
        if entry.kind == "constructor":
            target()
            with pytest.raises(TypeError, match="takes 0 positional arguments but 1 was given"):
                target(1)
            return
        # The interpreter itself refuses any argument.
        with pytest.raises(TypeError, match="takes no arguments"):
            target(1)
        return
    with pytest.raises(TypeError) as missing:
        target()
    quoted = ", ".join(f"'{parameter}'" for parameter in parameters)
    assert str(missing.value).endswith(f"argument{'s' if len(parameters) > 1 else ''}: {quoted}")
    with pytest.raises(TypeError) as unexpected:
        target(**{parameter: None for parameter in parameters}, unexpected=None)
    assert str(unexpected.value).endswith("unexpected keyword argument 'unexpected'")


STUB = Path(__file__).resolve().parents[2] / "src" / "veltrane" / "_quorra_core.pyi"


def stub_tree():
    return ast.parse(STUB.read_text(encoding="utf-8"), filename=str(STUB))


def stub_declarations():
    """(path, node) of every class and function that the stub declares."""
    for node in stub_tree().body:
        if isinstance(node, ast.ClassDef):
            yield node.name, node
            for member in node.body:
                if isinstance(member, ast.FunctionDef):
                    yield f"{node.name}.{member.name}", member
        elif isinstance(node, ast.FunctionDef):
            yield node.name, node


def stub_parameters(path, node):
    """The parameter names of a stub function, the self or cls of a method
    left out."""
    names = [argument.arg for argument in node.args.posonlyargs + node.args.args + node.args.kwonlyargs]
    static = any(isinstance(decorator, ast.Name) and decorator.id == "staticmethod"
                 for decorator in node.decorator_list)
    return names if static or "." not in path else names[1:]


def test_stub_declares_the_names_of_all(core):
    tree = stub_tree()
    (stub_all,) = [ast.literal_eval(node.value) for node in tree.body if isinstance(node, ast.Assign)
                   and [target.id for target in node.targets] == ["__all__"]]
    assert stub_all == core.__all__
    declared = {node.name for node in tree.body if isinstance(node, (ast.ClassDef, ast.FunctionDef))}
    declared |= {node.target.id for node in tree.body if isinstance(node, ast.AnnAssign)}
    assert declared == set(core.__all__)
    assert ast.get_docstring(tree, clean=True) == core.__doc__


def test_stub_declares_every_callable(core):
    declared = {path for path, _ in stub_declarations()}
    # Calling a class is declared as its __new__ (or not at all, when it refuses every call).
    expected = {f"{entry.owner}.__new__" if entry.kind == "constructor" else entry.path
                for entry in CALLABLES if entry.parameters(core) is not None}
    assert expected <= declared
    assert {path for path in declared if "." not in path or not path.rpartition(".")[2].startswith("__")} \
        == {entry.path for entry in CALLABLES if entry.kind != "slot"}


@pytest.mark.parametrize("path, node", list(stub_declarations()),
                         ids=[path for path, _ in stub_declarations()])
def test_stub_docstrings_and_parameters_match_the_runtime(core, path, node):
    owner, _, name = path.rpartition(".")
    doc = ast.get_docstring(node, clean=True)
    if isinstance(node, ast.FunctionDef) and name.startswith("__"):
        # Special methods carry the interpreter's docstrings, which the stub leaves out.
        assert doc is None
    else:
        target = getattr(getattr(core, owner), name) if owner else getattr(core, path)
        assert doc == target.__doc__
    if isinstance(node, ast.FunctionDef):
        entries = {entry.path: entry for entry in CALLABLES}
        entry = entries[owner if name == "__new__" else path]
        assert stub_parameters(path, node) == entry.parameters(core)
