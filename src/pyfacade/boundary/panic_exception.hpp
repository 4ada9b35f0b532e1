#pragma once
// PanicException: how a fault of native code reaches Python. It derives from
// BaseException, so `except Exception` does not swallow it. One type per
// process, created on first use and never added to the module.

#include <string_view>

#include "pyfacade/boundary/python.hpp"

namespace quorra::py {

// The type (borrowed; it lives until the process ends). Faults if it cannot
// be created.
PyObject* panic_exception_type();

// Raises PanicException with the message as its single argument.
void raise_panic(std::string_view message);

}  // namespace quorra::py
