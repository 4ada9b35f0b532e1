#pragma once
// The module-level functions, defined beside their wrappers. The records live
// for the whole process, since the function objects point into them.

#include "pyfacade/python.hpp"

namespace quorra::py {

extern PyMethodDef py_list_constants_def;
extern PyMethodDef py_list_quarks_def;
extern PyMethodDef py_get_constant_def;

// "2.3.0": the module's __version__ and PyFormulasRegistry.version().
inline constexpr const char* version_text = "2.3.0";

}  // namespace quorra::py
