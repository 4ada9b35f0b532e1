// PyQuarkRegistry, PyCKMMatrix and py_list_quarks.

#include "flavour/ckm_matrix.hpp"
#include "flavour/quark_registry.hpp"
#include "pyfacade/bindings/module_rows.hpp"
#include "pyfacade/boundary/typed_handler.hpp"

namespace quorra::py {

using flavour::CKMMatrix;
using flavour::QuarkRegistry;

namespace {

QuarkRegistry make_quark_registry() { return QuarkRegistry(); }

std::size_t quark_registry_length(const QuarkRegistry& registry) { return registry.len(); }

std::vector<std::string> list_quarks() { return QuarkRegistry::standard_model().names(); }

CKMMatrix ckm_from_topology() { return CKMMatrix::from_topology(); }

double ckm_jarlskog(const CKMMatrix& matrix) { return matrix.jarlskog(); }

bool ckm_is_unitary(const CKMMatrix& matrix, double tol) { return matrix.is_unitary(tol); }

}  // namespace

template <>
struct PythonClass<QuarkRegistry> {
    static constexpr const char* name = "PyQuarkRegistry";
    static constexpr const char* text_signature = "()";
    static constexpr const char* doc = "Python wrapper for [`QuarkRegistry`].";
    static constexpr const char* made_by = "PyQuarkRegistry()";
    static constexpr auto construct = make_quark_registry;
    static constexpr auto length = quark_registry_length;
    static constexpr std::array<Callable, 0> methods{};
};

// No constructor: instances come only from from_topology().
template <>
struct PythonClass<CKMMatrix> {
    static constexpr const char* name = "PyCKMMatrix";
    static constexpr const char* text_signature = nullptr;
    static constexpr const char* doc = "Python wrapper for [`CKMMatrix`].";
    static constexpr const char* made_by = "PyCKMMatrix.from_topology()";
    static constexpr std::array methods{
        static_method<ckm_from_topology>(name, "from_topology",
                                         "Build the CKM matrix from the underlying topology."),
        method<ckm_is_unitary>(name, "is_unitary", {"tol"},
                               "`True` when the matrix is unitary within `tol`."),
        method<ckm_jarlskog>(name, "jarlskog", "CP-violation Jarlskog invariant J."),
    };
};

namespace {

constexpr std::array classes{&class_row_of<QuarkRegistry>, &class_row_of<CKMMatrix>};

constexpr std::array functions{
    function<list_quarks>("py_list_quarks",
                          "Native-accelerated twin of `veltrane.list_quarks`.\n\n"
                          "Returns all SM quark names from the QuarkRegistry."),
};

}  // namespace

const ModuleRows flavour_rows{classes, MethodTable<functions>::definitions};

}  // namespace quorra::py
