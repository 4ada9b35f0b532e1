// PyFormulasRegistry and py_list_constants.

#include "formulas/registry.hpp"
#include "pyfacade/call_guard.hpp"
#include "pyfacade/conversions.hpp"
#include "pyfacade/formulas_errors.hpp"
#include "pyfacade/instance.hpp"
#include "pyfacade/module_functions.hpp"
#include "pyfacade/param_spec.hpp"

namespace quorra::py {

using formulas::FormulasRegistry;

template <>
struct ClassOf<FormulasRegistry> {
    static constexpr ClassId id = ClassId::FormulasRegistry;
};

namespace {

constexpr ParamSpec registry_new_spec{"PyFormulasRegistry", "__new__", {}, 0};

PyObject* registry_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guard_object([&]() -> Outcome<Ref> {
        auto parsed = parse_tuple_and_dict(registry_new_spec, args, kwargs, {});
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        return new_instance(reinterpret_cast<PyObject*>(type), FormulasRegistry::with_builtins());
    });
}

Py_ssize_t registry_len(PyObject* self) {
    return guard_length([&]() -> Outcome<Py_ssize_t> {
        auto registry = borrow_self<FormulasRegistry>(self);
        if (!registry) {
            return Err{std::move(registry).error()};
        }
        return length_result(registry.value()->len());
    });
}

constexpr const char* get_names[] = {"name"};
constexpr ParamSpec get_spec{"PyFormulasRegistry", "get", get_names, 1};

PyObject* registry_get(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames) {
    return guard_object([&]() -> Outcome<Ref> {
        PyObject* slots[1] = {};
        auto parsed = parse_fastcall(get_spec, args, nargs, kwnames, slots);
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        auto registry = borrow_self<FormulasRegistry>(self);
        if (!registry) {
            return Err{std::move(registry).error()};
        }
        auto name = text_argument(slots[0]);
        if (!name) {
            return Err{argument_error("name", std::move(name).error())};
        }
        // Derived entries give their stored value; nothing is evaluated.
        auto value = registry.value()->lookup_value(name.value());
        if (!value) {
            return Err{key_error(value.error())};
        }
        return float_result(value.value());
    });
}

PyObject* registry_version(PyObject*, PyObject*) {
    return guard_object([]() -> Outcome<Ref> { return text_result(version_text); });
}

PyMethodDef registry_methods[] = {
    {"get", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(registry_get)),
     METH_FASTCALL | METH_KEYWORDS,
     "get($self, name)\n--\n\nRetrieve the numeric value for `name`."},
    {"version", registry_version, METH_NOARGS | METH_STATIC,
     "version()\n--\n\nLibrary-version round-trip helper."},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* py_list_constants(PyObject*, PyObject*) {
    return guard_object([]() -> Outcome<Ref> {
        const std::vector<std::string> names = FormulasRegistry::with_builtins().names();
        return text_list_result(names);
    });
}

}  // namespace

const ClassSpec formulas_registry_class = {
    "builtins.PyFormulasRegistry",
    "PyFormulasRegistry",
    "()",
    "Python wrapper for [`FormulasRegistry`].",
    static_cast<int>(sizeof(Instance<FormulasRegistry>)),
    dealloc_instance<FormulasRegistry>,
    registry_methods,
    registry_new,
    registry_len,
    "PyFormulasRegistry()",
};

PyMethodDef py_list_constants_def = {
    "py_list_constants", py_list_constants, METH_NOARGS,
    "py_list_constants()\n--\n\nNative-accelerated twin of `veltrane.list_constants`.\n\n"
    "Returns all known constant names from the FormulasRegistry."};

}  // namespace quorra::py
