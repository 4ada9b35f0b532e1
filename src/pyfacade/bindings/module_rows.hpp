#pragma once
// What one subsystem's bindings file gives the module: its classes and its
// module functions, each in the order they are registered.

#include <span>

#include "pyfacade/boundary/type_objects.hpp"

namespace quorra::py {

struct ModuleRows {
    std::span<const ClassRow* const> classes;
    PyMethodDef* (*functions)();  // MethodTable<...>::definitions, ending with a zeroed entry
};

// One per bindings file.
extern const ModuleRows formulas_rows;
extern const ModuleRows flavour_rows;
extern const ModuleRows datasheet_rows;

}  // namespace quorra::py
