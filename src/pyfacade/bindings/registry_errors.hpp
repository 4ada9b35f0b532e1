#pragma once
// Registry errors at the Python boundary: every kind becomes KeyError whose
// single argument is the error's message.

#include "formulas/registry_error.hpp"
#include "pyfacade/boundary/pending_error.hpp"

namespace quorra::py {

inline PendingError key_error(const formulas::RegistryError& error) {
    return PendingError::message(PyExc_KeyError, error.message());
}

}  // namespace quorra::py
