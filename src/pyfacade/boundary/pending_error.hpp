#pragma once
// A Python exception that a wrapped call has produced but not yet raised. Only
// the call guard raises it. Errors the module makes itself are lazy: a type
// and one argument, with no exception object created until raised. Errors
// taken from the interpreter after a failed API call are kept as fetched.

#include <string_view>

#include "pyfacade/boundary/ref.hpp"
#include "support/result.hpp"

namespace quorra::py {

class PendingError {
public:
    // Exception type and its single argument; an empty argument raises the
    // type with no arguments. A cause, if given, becomes the raised
    // exception's __cause__.
    static PendingError lazy(PyObject* type, Ref argument, Ref cause = Ref()) noexcept;
    // Exception type with a UTF-8 message as its argument.
    static PendingError message(PyObject* type, std::string_view utf8);
    // An exception instance made by the module, raised as it is.
    static PendingError instance(Ref exception) noexcept;
    // Takes the interpreter's pending exception after an API call failed. A
    // PanicException of this module is resumed as a fault instead.
    static PendingError fetch();

    // The exception's type (borrowed).
    PyObject* type() const noexcept { return type_.get(); }
    // The exception instance, created now for the lazy form; empty if that fails.
    Ref value();

    // Raises the error in the interpreter. The lazy form is raised as the
    // interpreter raises a new exception, so the exception being handled, if
    // any, becomes its __context__; the fetched form is put back unchanged.
    void raise() &&;

private:
    PendingError() noexcept = default;

    Ref type_;
    Ref argument_;   // lazy form only
    Ref cause_;      // lazy form only
    Ref value_;      // fetched form: the exception (unnormalised values are normalised on fetch)
    Ref traceback_;  // fetched form on interpreters without the raised-exception API
    bool lazy_ = true;
};

template <class T>
using Outcome = Result<T, PendingError>;

// Value of an Outcome that carries nothing.
struct Done {};

// Prints the pending exception and its traceback to stderr and clears it, as
// the interpreter prints an uncaught one (sys.excepthook, which may be Python
// code).
void print_pending_error();

}  // namespace quorra::py
