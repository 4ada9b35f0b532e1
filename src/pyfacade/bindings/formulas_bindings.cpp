// PyFormulasRegistry and py_list_constants.

#include "formulas/registry.hpp"
#include "pyfacade/bindings/handlers.hpp"
#include "pyfacade/bindings/registry_errors.hpp"
#include "pyfacade/boundary/conversions.hpp"
#include "pyfacade/boundary/instance.hpp"
#include "pyfacade/version.hpp"

namespace quorra::py {

using formulas::FormulasRegistry;

template <>
struct ClassOf<FormulasRegistry> {
    static constexpr const ClassRow& row = formulas_registry_class;
};

namespace {

Outcome<Ref> make_registry(PyTypeObject* type) {
    return new_instance(reinterpret_cast<PyObject*>(type), FormulasRegistry::with_builtins());
}

Outcome<Py_ssize_t> registry_length(PyObject* self) {
    auto registry = borrow_self<FormulasRegistry>(self);
    if (!registry) {
        return Err{std::move(registry).error()};
    }
    return length_result(registry.value()->len());
}

Outcome<Ref> registry_get(PyObject* self, Arguments arguments) {
    auto registry = borrow_self<FormulasRegistry>(self);
    if (!registry) {
        return Err{std::move(registry).error()};
    }
    auto name = text_argument(arguments[0]);
    if (!name) {
        return Err{argument_error("name", std::move(name).error())};
    }
    // Derived entries give their stored value; nothing is evaluated.
    auto value = registry.value()->lookup_value(name.value());
    if (!value) {
        return Err{key_error(value.error())};
    }
    return float_result(value.value());
}

Outcome<Ref> registry_version(PyObject*) { return text_result(version_text); }

constexpr const char* class_name = "PyFormulasRegistry";

constexpr std::array registry_methods{
    method(class_name, "get", {"name"}, registry_get, "Retrieve the numeric value for `name`."),
    static_method(class_name, "version", registry_version, "Library-version round-trip helper."),
};

}  // namespace

constexpr ClassRow formulas_registry_class = class_row<formulas_registry_class>({
    .name = class_name,
    .text_signature = "()",
    .doc = "Python wrapper for [`FormulasRegistry`].",
    .made_by = "PyFormulasRegistry()",
    .basic_size = static_cast<int>(sizeof(Instance<FormulasRegistry>)),
    .dealloc = dealloc_instance<FormulasRegistry>,
    .methods = MethodTable<registry_methods>::definitions,
    .construct = make_registry,
    .length = registry_length,
});

Outcome<Ref> list_constants(PyObject*) {
    const std::vector<std::string> names = FormulasRegistry::with_builtins().names();
    return text_list_result(names);
}

}  // namespace quorra::py
