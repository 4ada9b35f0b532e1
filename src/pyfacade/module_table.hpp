#pragma once
// The module's surface, in registration order: the classes of every bindings
// file, then their module functions, each added under its name and appended
// to __all__ in this order (then __version__).
//
// A new module function is a typed handler and its row in the functions
// table of its bindings file (typed_handler.hpp), and its entry in the
// package's stub. A new class is a PythonClass<T> specialisation beside its
// handlers (python_class.hpp), listed in that file's classes. A new bindings
// file exports its ModuleRows, which module_rows.hpp declares and this table
// joins.

#include <array>

#include "pyfacade/bindings/module_rows.hpp"

namespace quorra::py {

inline constexpr std::array module_rows{&formulas_rows, &flavour_rows, &datasheet_rows};

}  // namespace quorra::py
