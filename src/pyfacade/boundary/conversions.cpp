#include "pyfacade/boundary/conversions.hpp"

#include <cstdint>
#include <cstring>

#include "pyfacade/boundary/type_names.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

#ifndef Py_LIMITED_API
// Eight bytes at a time while there are eight.
bool is_ascii(std::string_view text) noexcept {
    constexpr std::uint64_t high_bits = 0x8080808080808080ULL;
    std::uint64_t seen = 0;
    std::size_t i = 0;
    for (; i + sizeof seen <= text.size(); i += sizeof seen) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        seen |= word;
    }
    for (; i < text.size(); ++i) {
        seen |= static_cast<unsigned char>(text[i]);
    }
    return (seen & high_bits) == 0;
}
#endif

}  // namespace

Outcome<std::string_view> text_argument(PyObject* object) {
    if (!PyUnicode_Check(object)) {
        return Err{cannot_convert(object, "PyString")};
    }
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) {
        return Err{PendingError::fetch()};
    }
    return std::string_view(utf8, static_cast<std::size_t>(size));
}

Outcome<double> float_argument(PyObject* object) {
    // Runs the object's __float__ or __index__, if it has one.
    const double value = python_call([object] { return PyFloat_AsDouble(object); });
    // -1.0 is also a genuine value; only a pending exception marks failure.
    if (value == -1.0 && PyErr_Occurred() != nullptr) {
        return Err{PendingError::fetch()};
    }
    return value;
}

PendingError argument_error(const char* parameter, PendingError error) {
    if (error.type() != PyExc_TypeError) {
        return error;
    }
    Ref original = error.value();
    if (!original) {
        return PendingError::fetch();
    }
    Ref detail = display_text(original.get());
    if (!detail) {
        return PendingError::fetch();
    }
    Ref message = Ref::steal(PyUnicode_FromFormat("argument '%s': %U", parameter, detail.get()));
    if (!message) {
        return PendingError::fetch();
    }
    // An error of the module's own, raised like the others, so that the
    // exception being handled becomes its context; the cause is the
    // original's.
    return PendingError::lazy(PyExc_TypeError, std::move(message),
                              Ref::steal(PyException_GetCause(original.get())));
}

Ref checked(PyObject* created) {
    if (created == nullptr) {
        print_pending_error();
        fault("Python API call failed");
    }
    return Ref::steal(created);
}

Ref float_result(double value) { return checked(PyFloat_FromDouble(value)); }

Ref bool_result(bool value) { return Ref::borrow(value ? Py_True : Py_False); }

Ref text_result(std::string_view utf8) {
#ifndef Py_LIMITED_API
    // ASCII goes straight into a new compact str: the decoder would check and
    // copy the same bytes, behind a few more calls. The catalogue's names and
    // datasheets are ASCII. (The stable ABI gives no access to a str's bytes.)
    if (is_ascii(utf8)) {
        Ref text = checked(PyUnicode_New(static_cast<Py_ssize_t>(utf8.size()), 127));
        if (!utf8.empty()) {
            std::memcpy(PyUnicode_1BYTE_DATA(text.get()), utf8.data(), utf8.size());
        }
        return text;
    }
#endif
    return checked(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}

Ref text_list_result(const std::vector<std::string>& texts) {
    Ref list = checked(PyList_New(static_cast<Py_ssize_t>(texts.size())));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        // Both take over the item's reference; the macro skips the checks
        // that a list just made, with every slot empty, cannot fail.
#ifdef Py_LIMITED_API
        PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), text_result(texts[i]).release());
#else
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), text_result(texts[i]).release());
#endif
    }
    return list;
}

Outcome<Py_ssize_t> length_result(std::size_t length) {
    if (length > static_cast<std::size_t>(PY_SSIZE_T_MAX)) {
        return Err{PendingError::lazy(PyExc_OverflowError, Ref())};
    }
    return static_cast<Py_ssize_t>(length);
}

}  // namespace quorra::py
