#pragma once
// Registry errors at the Python boundary: every kind becomes KeyError whose
// single argument is the error's message.

#include "formulas/registry_error.hpp"
#include "pyfacade/boundary/typed_handler.hpp"

namespace quorra::py {

template <>
struct PythonError<formulas::RegistryError> {
    static PendingError of(const formulas::RegistryError& error) {
        return PendingError::message(PyExc_KeyError, error.message());
    }
};

}  // namespace quorra::py
