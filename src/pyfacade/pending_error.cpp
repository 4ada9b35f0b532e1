#include "pyfacade/pending_error.hpp"

#include <cstdio>
#include <string>

#include "pyfacade/panic_exception.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

constexpr const char* no_exception_set = "attempted to fetch exception but none was set";

// Writes the banner, prints the exception, and continues the unwinding of the
// panic that raised it, carrying the same message.
[[noreturn]] void resume_panic(Ref exception) {
    std::fputs("--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n",
               stderr);
    std::fputs("Python stack trace below:\n", stderr);
    std::fflush(stderr);

    std::string message = "Unwrapped panic from Python code";
    if (exception) {
        Ref text = Ref::steal(PyObject_Str(exception.get()));
        std::string utf8;
        if (text && utf8_of(text.get(), utf8)) {
            message = std::move(utf8);
        } else {
            PyErr_Clear();
        }
    }
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(exception.release());
#else
    // Printing replaces the exception's traceback with the one restored here.
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(exception.get()));
    Py_INCREF(type);
    PyObject* traceback = PyException_GetTraceback(exception.get());
    PyErr_Restore(type, exception.release(), traceback);
#endif
    PyErr_PrintEx(0);
    fault_unreported(std::move(message));
}

}  // namespace

PendingError PendingError::lazy(PyObject* type, Ref argument) noexcept {
    PendingError error;
    error.type_ = Ref::borrow(type);
    error.argument_ = std::move(argument);
    return error;
}

PendingError PendingError::message(PyObject* type, std::string_view utf8) {
    Ref text = text_object(utf8);
    if (!text) {
        return fetch();
    }
    return lazy(type, std::move(text));
}

PendingError PendingError::instance(Ref exception) noexcept {
    PendingError error;
    error.type_ = Ref::borrow(reinterpret_cast<PyObject*>(Py_TYPE(exception.get())));
    error.value_ = std::move(exception);
    error.lazy_ = false;
    return error;
}

PendingError PendingError::fetch() {
#if PY_VERSION_HEX >= 0x030C0000
    Ref exception = Ref::steal(PyErr_GetRaisedException());
    if (!exception) {
        return message(PyExc_SystemError, no_exception_set);
    }
    if (reinterpret_cast<PyObject*>(Py_TYPE(exception.get())) == panic_exception_type()) {
        resume_panic(std::move(exception));
    }
    return instance(std::move(exception));
#else
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (type == nullptr) {
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        return message(PyExc_SystemError, no_exception_set);
    }
    PyErr_NormalizeException(&type, &value, &traceback);
    if (traceback != nullptr && value != nullptr) {
        PyException_SetTraceback(value, traceback);
    }
    if (type == panic_exception_type()) {
        Py_XDECREF(type);
        Py_XDECREF(traceback);
        resume_panic(Ref::steal(value));
    }
    PendingError error;
    error.type_ = Ref::steal(type);
    error.value_ = Ref::steal(value);
    error.traceback_ = Ref::steal(traceback);
    error.lazy_ = false;
    return error;
#endif
}

Ref PendingError::value() {
    if (!lazy_) {
        return value_;
    }
    PyObject* args = argument_ ? PyTuple_Pack(1, argument_.get()) : PyTuple_New(0);
    Ref arguments = Ref::steal(args);
    if (!arguments) {
        return Ref();
    }
    return Ref::steal(PyObject_Call(type_.get(), arguments.get(), nullptr));
}

void PendingError::raise() && noexcept {
    if (!lazy_) {
#if PY_VERSION_HEX >= 0x030C0000
        PyErr_SetRaisedException(value_.release());
#else
        PyErr_Restore(type_.release(), value_.release(), traceback_.release());
#endif
        return;
    }
    if (!PyExceptionClass_Check(type_.get())) {
        PyErr_SetString(PyExc_TypeError, "exceptions must derive from BaseException");
        return;
    }
    PyErr_SetObject(type_.get(), argument_.get());
}

Ref new_exception(PyObject* type, PyObject* argument) {
    return Ref::steal(PyObject_CallFunctionObjArgs(type, argument, nullptr));
}

Ref text_object(std::string_view utf8) {
    return Ref::steal(PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()),
                                           "surrogatepass"));
}

bool utf8_of(PyObject* text, std::string& out) {
    Ref bytes = Ref::steal(PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass"));
    if (!bytes) {
        return false;
    }
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(bytes.get(), &data, &size) != 0) {
        return false;
    }
    out.assign(data, static_cast<std::size_t>(size));
    return true;
}

}  // namespace quorra::py
