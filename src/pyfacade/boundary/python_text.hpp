#pragma once
// Texts and exceptions made from UTF-8: the helpers that raising, fetching
// and printing exceptions share.

#include <string>
#include <string_view>

#include "pyfacade/boundary/ref.hpp"

namespace quorra::py {

// A new exception instance: type(argument).
Ref new_exception(PyObject* type, PyObject* argument);

// The message as a new str; lone surrogates inside survive the round trip.
Ref text_object(std::string_view utf8);

// UTF-8 bytes of a str, lone surrogates passed through; false if that fails.
bool utf8_of(PyObject* text, std::string& out);

}  // namespace quorra::py
