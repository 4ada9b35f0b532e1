#pragma once
// The one way into the CPython C API. Builds for CPython 3.12 and later define
// Py_LIMITED_API (from the build system), so only the stable ABI is used there.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace quorra::py {

// True where the stable-ABI error API (PyErr_GetRaisedException) replaces the
// type/value/traceback triple of older interpreters.
inline constexpr bool has_raised_exception_api = PY_VERSION_HEX >= 0x030C0000;

}  // namespace quorra::py
