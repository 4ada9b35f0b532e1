#pragma once
// The one way into the CPython C API. The extension for CPython 3.12 and later
// is built with Py_LIMITED_API (set by the build system), so everything the
// module calls must belong to the stable ABI there.

#define PY_SSIZE_T_CLEAN
#include <Python.h>
