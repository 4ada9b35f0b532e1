// PyFormulasRegistry and py_list_constants.

#include "formulas/registry.hpp"
#include "pyfacade/bindings/module_rows.hpp"
#include "pyfacade/bindings/registry_errors.hpp"
#include "pyfacade/boundary/typed_handler.hpp"
#include "pyfacade/version.hpp"

namespace quorra::py {

using formulas::FormulasRegistry;
using formulas::RegistryError;

namespace {

FormulasRegistry make_registry() { return FormulasRegistry::with_builtins(); }

std::size_t registry_length(const FormulasRegistry& registry) { return registry.len(); }

// Derived entries give their stored value; nothing is evaluated.
Result<double, RegistryError> registry_get(const FormulasRegistry& registry,
                                           std::string_view name) {
    return registry.lookup_value(name);
}

std::string_view registry_version() { return version_text; }

std::vector<std::string> list_constants() { return FormulasRegistry::with_builtins().names(); }

}  // namespace

template <>
struct PythonClass<FormulasRegistry> {
    static constexpr const char* name = "PyFormulasRegistry";
    static constexpr const char* text_signature = "()";
    static constexpr const char* doc = "Python wrapper for [`FormulasRegistry`].";
    static constexpr const char* made_by = "PyFormulasRegistry()";
    static constexpr auto construct = make_registry;
    static constexpr auto length = registry_length;
    static constexpr std::array methods{
        method<registry_get>(name, "get", {"name"}, "Retrieve the numeric value for `name`."),
        static_method<registry_version>(name, "version", "Library-version round-trip helper."),
    };
};

namespace {

constexpr std::array classes{&class_row_of<FormulasRegistry>};

constexpr std::array functions{
    function<list_constants>("py_list_constants",
                             "Native-accelerated twin of `veltrane.list_constants`.\n\n"
                             "Returns all known constant names from the FormulasRegistry."),
};

}  // namespace

const ModuleRows formulas_rows{classes, MethodTable<functions>::definitions};

}  // namespace quorra::py
