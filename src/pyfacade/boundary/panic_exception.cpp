#include "pyfacade/boundary/panic_exception.hpp"

#include "pyfacade/boundary/python_text.hpp"
#include "pyfacade/boundary/thread_exit.hpp"
#include "support/fault.hpp"

namespace quorra::py {
namespace {

constexpr const char* panic_exception_doc =
    "\n"
    "The exception raised when native code called from Python panics.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that\n"
    "it will typically propagate all the way through the stack and cause the\n"
    "Python interpreter to exit.\n";

PyObject* panic_type = nullptr;

}  // namespace

PyObject* panic_exception_type() {
    if (panic_type == nullptr) {
        PyObject* type = python_call([] {
            return PyErr_NewExceptionWithDoc("pyo3_runtime.PanicException", panic_exception_doc,
                                             PyExc_BaseException, nullptr);
        });
        if (type == nullptr) {
            PyErr_Clear();
            fault("Failed to initialize new exception type.");
        }
        panic_type = type;
    }
    return panic_type;
}

void raise_panic(std::string_view message) {
    PyObject* type = panic_exception_type();
    Ref text = text_object(message);
    if (text) {
        python_call([&] { PyErr_SetObject(type, text.get()); });
    }
}

}  // namespace quorra::py
