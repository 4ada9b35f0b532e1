#pragma once
// Ref owns one strong reference to a Python object and releases it on every
// exit path. Raw PyObject* appears only where the C API hands one over.
//
// Releasing a reference can run Python code (a finalizer), so the destructor
// may be left by a thread's forced unwinding and is not noexcept. On a thread
// that is being unwound without the interpreter lock, nothing is released.
//
// Nor may a finalizer run while a C++ exception unwinds: if its Python code
// gave up the interpreter lock at exit, the forced unwinding that ends the
// thread would start inside the cleanup of another exception, which the C++
// runtime cannot do. A reference dropped during unwinding is therefore put
// aside, and the call guard releases it once it has left its handler.

#include <exception>
#include <utility>

#include "pyfacade/boundary/python.hpp"
#include "pyfacade/boundary/thread_exit.hpp"

namespace quorra::py {

// Puts a reference aside for release_deferred_references; one that cannot be
// kept for lack of memory is leaked.
void defer_release(PyObject* object) noexcept;

// Releases the references put aside on this thread. Only the call guard calls
// it, after any exception has been handled. The releases can run Python code.
void release_deferred_references();

// Releases one reference now, or puts it aside while an exception unwinds.
// Only the last reference can run a finalizer, and under the interpreter lock
// no other thread changes the count, so the others are released at once.
inline void release_reference(PyObject* object) {
    if (interpreter_lost()) {
        return;
    }
    if (Py_REFCNT(object) == 1 && std::uncaught_exceptions() != 0) {
        defer_release(object);
        return;
    }
    python_call([object] { Py_DECREF(object); });
}

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
        if (object_ != nullptr) {
            release_reference(object_);
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
