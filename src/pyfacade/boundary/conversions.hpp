#pragma once
// Conversions between Python objects and the core's values: arguments in,
// results out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pyfacade/boundary/pending_error.hpp"

namespace quorra::py {

// The UTF-8 bytes of a str (or str subclass), borrowed from the object.
Outcome<std::string_view> text_argument(PyObject* object);

// A float, or anything the interpreter's float conversion accepts.
Outcome<double> float_argument(PyObject* object);

// Names the parameter in a failed conversion: an exact TypeError becomes
// TypeError "argument '<parameter>': <message>", keeping its __cause__.
// Other errors pass unchanged.
PendingError argument_error(const char* parameter, PendingError error);

// Results. These calls must not fail; if one does, the interpreter's error is
// printed and the call faults with "Python API call failed".
Ref checked(PyObject* created);
Ref float_result(double value);
Ref bool_result(bool value);
Ref text_result(std::string_view utf8);
Ref text_list_result(const std::vector<std::string>& texts);

// A length, or OverflowError (with no arguments) above the largest Py_ssize_t.
Outcome<Py_ssize_t> length_result(std::size_t length);

}  // namespace quorra::py
