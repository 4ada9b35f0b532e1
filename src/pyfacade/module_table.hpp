#pragma once
// The module's surface, in registration order: the classes, then the module
// functions, each added under its name and appended to __all__ in this order
// (then __version__). A module function is one row here plus its handler.

#include <array>

#include "pyfacade/bindings/handlers.hpp"

namespace quorra::py {

inline constexpr std::array module_classes{
    &formulas_registry_class,
    &quark_registry_class,
    &ckm_matrix_class,
};

inline constexpr std::array module_functions{
    function("py_list_constants", list_constants,
             "Native-accelerated twin of `veltrane.list_constants`.\n\n"
             "Returns all known constant names from the FormulasRegistry."),
    function("py_list_quarks", list_quarks,
             "Native-accelerated twin of `veltrane.list_quarks`.\n\n"
             "Returns all SM quark names from the QuarkRegistry."),
    function("py_get_constant", {"name"}, get_constant,
             "Native-accelerated twin of `veltrane.Get` for the constants branch.\n\n"
             "Returns a JSON-serialised dict with `name`, `value`, `units`,\n"
             "`uncertainty`, and `status` fields \xe2\x80\x94 matching the Python constant\n"
             "datasheet schema so callers don't need to branch.\n\n"
             "Raises `PyKeyError` when `name` is not in the registry."),
};

}  // namespace quorra::py
