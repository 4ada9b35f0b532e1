#pragma once
// The static parameter description of a callable that takes arguments, and
// the parsing of the interpreter's arguments against it. Every parameter can
// be given by position or by keyword; there are no defaults, no *args and no
// **kwargs.

#include <cstddef>
#include <span>

#include "pyfacade/boundary/pending_error.hpp"

namespace quorra::py {

struct ParamSpec {
    const char* cls_name;  // null for module functions
    const char* func_name;
    std::span<const char* const> positional_names;
    std::size_t required_positional;
};

// Fills one slot per parameter with a borrowed argument, or leaves it null.
// Fails with the TypeError of a call that does not match the description.
Outcome<Done> parse_fastcall(const ParamSpec& spec, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames, std::span<PyObject*> slots);

// The same over a constructor's argument tuple and keyword dict (either may be null).
Outcome<Done> parse_tuple_and_dict(const ParamSpec& spec, PyObject* args, PyObject* kwargs,
                                   std::span<PyObject*> slots);

}  // namespace quorra::py
