#pragma once
// Texts about Python objects for error messages, and the conversion TypeError.

#include <string>

#include "pyfacade/boundary/pending_error.hpp"

namespace quorra::py {

// The qualified name of the object's type, or "<failed to extract type name>".
Ref type_qualname(PyObject* object);

// str() of the object. If that fails, the failure is reported as unraisable
// and "<unprintable T object>" stands in. Empty only if no text can be made.
Ref display_text(PyObject* object);

// str() of the error's exception as UTF-8, for a fault message; empty if it
// has none.
std::string error_text(PendingError& error);

// TypeError "'<type>' object cannot be converted to '<target>'".
PendingError cannot_convert(PyObject* object, const char* target);

}  // namespace quorra::py
