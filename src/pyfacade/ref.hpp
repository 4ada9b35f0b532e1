#pragma once
// Ref owns one strong reference to a Python object and releases it on every
// exit path. Raw PyObject* appears only where the C API hands one over.
//
// Releasing a reference can run Python code (a finalizer), so the destructor
// may be left by a thread's forced unwinding and is not noexcept. On a thread
// that is being unwound without the interpreter lock, nothing is released.

#include <utility>

#include "pyfacade/python.hpp"
#include "pyfacade/thread_exit.hpp"

namespace quorra::py {

class Ref {
public:
    Ref() noexcept = default;

    // Takes over a new reference (null allowed).
    static Ref steal(PyObject* object) noexcept { return Ref(object); }
    // Adds a reference to a borrowed object (null allowed).
    static Ref borrow(PyObject* object) noexcept {
        Py_XINCREF(object);
        return Ref(object);
    }

    Ref(const Ref& other) noexcept : object_(other.object_) { Py_XINCREF(object_); }
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() noexcept(false) {
        if (object_ != nullptr && !interpreter_lost()) {
            python_call([this] { Py_DECREF(object_); });
        }
    }

    PyObject* get() const noexcept { return object_; }
    // Hands the reference to the caller.
    PyObject* release() noexcept { return std::exchange(object_, nullptr); }
    explicit operator bool() const noexcept { return object_ != nullptr; }

private:
    explicit Ref(PyObject* object) noexcept : object_(object) {}
    PyObject* object_ = nullptr;
};

}  // namespace quorra::py
