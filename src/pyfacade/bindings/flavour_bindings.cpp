// PyQuarkRegistry, py_list_quarks and PyCKMMatrix.

#include "flavour/ckm_matrix.hpp"
#include "flavour/quark_registry.hpp"
#include "pyfacade/bindings/handlers.hpp"
#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/instance.hpp"
#include "pyfacade/boundary/type_names.hpp"

namespace quorra::py {

using flavour::CKMMatrix;
using flavour::QuarkRegistry;

template <>
struct ClassOf<QuarkRegistry> {
    static constexpr const ClassRow& row = quark_registry_class;
};
template <>
struct ClassOf<CKMMatrix> {
    static constexpr const ClassRow& row = ckm_matrix_class;
};

namespace {

// --- PyQuarkRegistry -------------------------------------------------------

Outcome<Ref> make_quark_registry(PyTypeObject* type) {
    return new_instance(reinterpret_cast<PyObject*>(type), QuarkRegistry());
}

Outcome<Py_ssize_t> quark_registry_length(PyObject* self) {
    auto registry = borrow_self<QuarkRegistry>(self);
    if (!registry) {
        return Err{std::move(registry).error()};
    }
    return length_result(registry.value()->len());
}

constexpr std::array<Callable, 0> quark_registry_methods{};

// --- PyCKMMatrix ----------------------------------------------------------

Outcome<Ref> ckm_from_topology(PyObject*) {
    auto instance =
        new_instance(type_object_for_call(ckm_matrix_class), CKMMatrix::from_topology());
    if (!instance) {
        // Unreachable short of memory exhaustion; treated as a fault.
        fault("called `Result::unwrap()` on an `Err` value: " + error_text(instance.error()));
    }
    return std::move(instance).value();
}

Outcome<Ref> ckm_jarlskog(PyObject* self) {
    auto matrix = borrow_self<CKMMatrix>(self);
    if (!matrix) {
        return Err{std::move(matrix).error()};
    }
    return float_result(matrix.value()->jarlskog());
}

Outcome<Ref> ckm_is_unitary(PyObject* self, Arguments arguments) {
    auto matrix = borrow_self<CKMMatrix>(self);
    if (!matrix) {
        return Err{std::move(matrix).error()};
    }
    auto tol = float_argument(arguments[0]);
    if (!tol) {
        return Err{argument_error("tol", std::move(tol).error())};
    }
    return bool_result(matrix.value()->is_unitary(tol.value()));
}

constexpr const char* ckm_name = "PyCKMMatrix";

constexpr std::array ckm_matrix_methods{
    static_method(ckm_name, "from_topology", ckm_from_topology,
                  "Build the CKM matrix from the underlying topology."),
    method(ckm_name, "is_unitary", {"tol"}, ckm_is_unitary,
           "`True` when the matrix is unitary within `tol`."),
    method(ckm_name, "jarlskog", ckm_jarlskog, "CP-violation Jarlskog invariant J."),
};

}  // namespace

constexpr ClassRow quark_registry_class = class_row<quark_registry_class>({
    .name = "PyQuarkRegistry",
    .text_signature = "()",
    .doc = "Python wrapper for [`QuarkRegistry`].",
    .made_by = "PyQuarkRegistry()",
    .basic_size = static_cast<int>(sizeof(Instance<QuarkRegistry>)),
    .dealloc = dealloc_instance<QuarkRegistry>,
    .methods = MethodTable<quark_registry_methods>::definitions,
    .construct = make_quark_registry,
    .length = quark_registry_length,
});

// No constructor: instances come only from from_topology().
constexpr ClassRow ckm_matrix_class = class_row<ckm_matrix_class>({
    .name = ckm_name,
    .text_signature = nullptr,
    .doc = "Python wrapper for [`CKMMatrix`].",
    .made_by = "PyCKMMatrix.from_topology()",
    .basic_size = static_cast<int>(sizeof(Instance<CKMMatrix>)),
    .dealloc = dealloc_instance<CKMMatrix>,
    .methods = MethodTable<ckm_matrix_methods>::definitions,
});

Outcome<Ref> list_quarks(PyObject*) {
    const std::vector<std::string> names = QuarkRegistry::standard_model().names();
    return text_list_result(names);
}

}  // namespace quorra::py
