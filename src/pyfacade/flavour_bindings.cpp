// PyQuarkRegistry, py_list_quarks and PyCKMMatrix.

#include "flavour/ckm_matrix.hpp"
#include "flavour/quark_registry.hpp"
#include "pyfacade/call_guard.hpp"
#include "pyfacade/conversions.hpp"
#include "pyfacade/instance.hpp"
#include "pyfacade/module_functions.hpp"
#include "pyfacade/param_spec.hpp"
#include "pyfacade/type_names.hpp"

namespace quorra::py {

using flavour::CKMMatrix;
using flavour::QuarkRegistry;

template <>
struct ClassOf<QuarkRegistry> {
    static constexpr ClassId id = ClassId::QuarkRegistry;
};
template <>
struct ClassOf<CKMMatrix> {
    static constexpr ClassId id = ClassId::CKMMatrix;
};

namespace {

// --- PyQuarkRegistry -------------------------------------------------------

constexpr ParamSpec quark_registry_new_spec{"PyQuarkRegistry", "__new__", {}, 0};

PyObject* quark_registry_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guard_object([&]() -> Outcome<Ref> {
        auto parsed = parse_tuple_and_dict(quark_registry_new_spec, args, kwargs, {});
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        return new_instance(reinterpret_cast<PyObject*>(type), QuarkRegistry());
    });
}

Py_ssize_t quark_registry_len(PyObject* self) {
    return guard_length([&]() -> Outcome<Py_ssize_t> {
        auto registry = borrow_self<QuarkRegistry>(self);
        if (!registry) {
            return Err{std::move(registry).error()};
        }
        return length_result(registry.value()->len());
    });
}

PyMethodDef quark_registry_methods[] = {
    {nullptr, nullptr, 0, nullptr},
};

PyObject* py_list_quarks(PyObject*, PyObject*) {
    return guard_object([]() -> Outcome<Ref> {
        const std::vector<std::string> names = QuarkRegistry::standard_model().names();
        return text_list_result(names);
    });
}

// --- PyCKMMatrix ----------------------------------------------------------

PyObject* ckm_from_topology(PyObject*, PyObject*) {
    return guard_object([]() -> Outcome<Ref> {
        auto instance = new_instance(type_object_for_call(ClassId::CKMMatrix),
                                     CKMMatrix::from_topology());
        if (!instance) {
            // Unreachable short of memory exhaustion; treated as a fault.
            fault("called `Result::unwrap()` on an `Err` value: " + error_text(instance.error()));
        }
        return std::move(instance).value();
    });
}

PyObject* ckm_jarlskog(PyObject* self, PyObject*) {
    return guard_object([&]() -> Outcome<Ref> {
        auto matrix = borrow_self<CKMMatrix>(self);
        if (!matrix) {
            return Err{std::move(matrix).error()};
        }
        return float_result(matrix.value()->jarlskog());
    });
}

constexpr const char* is_unitary_names[] = {"tol"};
constexpr ParamSpec is_unitary_spec{"PyCKMMatrix", "is_unitary", is_unitary_names, 1};

PyObject* ckm_is_unitary(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
    return guard_object([&]() -> Outcome<Ref> {
        PyObject* slots[1] = {};
        auto parsed = parse_fastcall(is_unitary_spec, args, nargs, kwnames, slots);
        if (!parsed) {
            return Err{std::move(parsed).error()};
        }
        auto matrix = borrow_self<CKMMatrix>(self);
        if (!matrix) {
            return Err{std::move(matrix).error()};
        }
        auto tol = float_argument(slots[0]);
        if (!tol) {
            return Err{argument_error("tol", std::move(tol).error())};
        }
        return bool_result(matrix.value()->is_unitary(tol.value()));
    });
}

PyMethodDef ckm_matrix_methods[] = {
    {"from_topology", ckm_from_topology, METH_NOARGS | METH_STATIC,
     "from_topology()\n--\n\nBuild the CKM matrix from the underlying topology."},
    {"is_unitary", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ckm_is_unitary)),
     METH_FASTCALL | METH_KEYWORDS,
     "is_unitary($self, tol)\n--\n\n`True` when the matrix is unitary within `tol`."},
    {"jarlskog", ckm_jarlskog, METH_NOARGS,
     "jarlskog($self)\n--\n\nCP-violation Jarlskog invariant J."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

const ClassSpec quark_registry_class = {
    "builtins.PyQuarkRegistry",
    "PyQuarkRegistry",
    "()",
    "Python wrapper for [`QuarkRegistry`].",
    static_cast<int>(sizeof(Instance<QuarkRegistry>)),
    dealloc_instance<QuarkRegistry>,
    quark_registry_methods,
    quark_registry_new,
    quark_registry_len,
    "PyQuarkRegistry()",
};

const ClassSpec ckm_matrix_class = {
    "builtins.PyCKMMatrix",
    "PyCKMMatrix",
    nullptr,
    "Python wrapper for [`CKMMatrix`].",
    static_cast<int>(sizeof(Instance<CKMMatrix>)),
    dealloc_instance<CKMMatrix>,
    ckm_matrix_methods,
    nullptr,
    nullptr,
    "PyCKMMatrix.from_topology()",
};

PyMethodDef py_list_quarks_def = {
    "py_list_quarks", py_list_quarks, METH_NOARGS,
    "py_list_quarks()\n--\n\nNative-accelerated twin of `veltrane.list_quarks`.\n\n"
    "Returns all SM quark names from the QuarkRegistry."};

}  // namespace quorra::py
