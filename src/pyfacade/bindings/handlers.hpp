#pragma once
// What each subsystem's bindings give the module: the rows of their classes
// and the handlers of their module functions, which the module's table lists.

#include "pyfacade/boundary/callable.hpp"
#include "pyfacade/boundary/class_registry.hpp"

namespace quorra::py {

// formulas_bindings.cpp
extern const ClassRow formulas_registry_class;
Outcome<Ref> list_constants(PyObject* module);

// flavour_bindings.cpp
extern const ClassRow quark_registry_class;
extern const ClassRow ckm_matrix_class;
Outcome<Ref> list_quarks(PyObject* module);

// datasheet_bindings.cpp
Outcome<Ref> get_constant(PyObject* module, Arguments arguments);

}  // namespace quorra::py
