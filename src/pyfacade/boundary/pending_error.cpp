#include "pyfacade/boundary/pending_error.hpp"

#include <cstdio>
#include <string>

#include "pyfacade/boundary/panic_exception.hpp"
#include "pyfacade/boundary/python_text.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

constexpr const char* no_exception_set = "attempted to fetch exception but none was set";

// Puts a fetched exception back as the pending one; the traceback is given
// separately where the interpreter keeps it apart from the exception.
void restore_exception(Ref exception, [[maybe_unused]] Ref traceback) {
#if PY_VERSION_HEX >= 0x030C0000
    PyErr_SetRaisedException(exception.release());
#else
    PyObject* type =
        exception ? reinterpret_cast<PyObject*>(Py_TYPE(exception.get())) : panic_exception_type();
    Py_INCREF(type);
    PyErr_Restore(type, exception.release(), traceback.release());
#endif
}

// The str() of an exception, or the fallback when it has none or str() fails.
std::string panic_message(PyObject* exception) {
    std::string message = "Unwrapped panic from Python code";
    if (exception != nullptr) {
        Ref text = Ref::steal(python_call([&] { return PyObject_Str(exception); }));
        std::string utf8;
        if (text && utf8_of(text.get(), utf8)) {
            message = std::move(utf8);
        } else {
            python_call([] { PyErr_Clear(); });
        }
    }
    return message;
}

// Writes the banner, prints the exception, and continues the unwinding of the
// panic that raised it, carrying the same message. The message is the str()
// of the exception, taken after it has been printed. The exception is
// released before the fault is thrown: it may hold the last reference to
// frames whose finalizers must not run while the fault unwinds.
[[noreturn]] void resume_panic(Ref exception, Ref traceback) {
    std::fputs("--- PyO3 is resuming a panic after fetching a PanicException from Python. ---\n",
               stderr);
    std::fputs("Python stack trace below:\n", stderr);
    std::fflush(stderr);

    std::string message;
    {
        Ref printed = exception;
        restore_exception(std::move(exception), std::move(traceback));
        python_call([] { PyErr_PrintEx(0); });
        message = panic_message(printed.get());
    }
    fault_unreported(std::move(message));
}

}  // namespace

PendingError PendingError::lazy(PyObject* type, Ref argument, Ref cause) noexcept {
    PendingError error;
    error.type_ = Ref::borrow(type);
    error.argument_ = std::move(argument);
    error.cause_ = std::move(cause);
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
        resume_panic(std::move(exception), Ref());
    }
    return instance(std::move(exception));
#else
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (type == nullptr) {
        python_call([&] {
            Py_XDECREF(value);
            Py_XDECREF(traceback);
        });
        return message(PyExc_SystemError, no_exception_set);
    }
    // Normalising may instantiate a class of the program's; a forced
    // unwinding out of it leaks the three references.
    python_call([&] { PyErr_NormalizeException(&type, &value, &traceback); });
    PendingError error;
    error.type_ = Ref::steal(type);
    error.value_ = Ref::steal(value);
    error.traceback_ = Ref::steal(traceback);
    error.lazy_ = false;
    if (error.traceback_ && error.value_) {
        python_call([&] { PyException_SetTraceback(error.value_.get(), error.traceback_.get()); });
    }
    if (error.type_.get() == panic_exception_type()) {
        resume_panic(std::move(error.value_), std::move(error.traceback_));
    }
    return error;
#endif
}

Ref PendingError::value() {
    if (!lazy_) {
        return value_;
    }
    Ref arguments = Ref::steal(python_call(
        [this] { return argument_ ? PyTuple_Pack(1, argument_.get()) : PyTuple_New(0); }));
    if (!arguments) {
        return Ref();
    }
    Ref exception = Ref::steal(
        python_call([&] { return PyObject_Call(type_.get(), arguments.get(), nullptr); }));
    if (exception && cause_) {
        python_call([&] { PyException_SetCause(exception.get(), Ref(cause_).release()); });
    }
    return exception;
}

namespace {

// Sets the cause of the exception just raised; takes over the reference.
void set_cause_of_raised(Ref cause) {
#if PY_VERSION_HEX >= 0x030C0000
    Ref raised = Ref::steal(PyErr_GetRaisedException());
    python_call([&] { PyException_SetCause(raised.get(), cause.release()); });
    PyErr_SetRaisedException(raised.release());
#else
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    python_call([&] { PyErr_NormalizeException(&type, &value, &traceback); });
    if (value != nullptr) {
        python_call([&] { PyException_SetCause(value, cause.release()); });
    }
    PyErr_Restore(type, value, traceback);
#endif
}

}  // namespace

void PendingError::raise() && {
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
    python_call([this] { PyErr_SetObject(type_.get(), argument_.get()); });
    if (cause_) {
        set_cause_of_raised(std::move(cause_));
    }
}

void print_pending_error() {
    python_call([] { PyErr_Print(); });
}

}  // namespace quorra::py
