#pragma once
// CallGuard: the boundary every call from the interpreter crosses. It counts
// the guarded calls active on the thread, runs the wrapper, raises a pending
// error as a Python exception, turns a fault into PanicException and memory
// exhaustion into MemoryError, and returns the failure value the calling
// convention expects. No C++ exception ever leaves it; only a thread's forced
// unwinding goes through, untouched (see pyfacade/boundary/thread_exit.hpp), which is
// why none of these functions is noexcept. Its handlers touch no Python: all
// of that happens after them (see CaughtFailure).

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "pyfacade/boundary/pending_error.hpp"
#include "pyfacade/boundary/thread_exit.hpp"
#include "support/fault.hpp"

namespace quorra::py {

// Guarded calls active on this thread, which therefore holds the interpreter
// lock. Restored on every exit path.
class LockDepth {
public:
    LockDepth() noexcept { ++counter(); }
    ~LockDepth() { --counter(); }
    LockDepth(const LockDepth&) = delete;
    LockDepth& operator=(const LockDepth&) = delete;

    static long current() noexcept { return counter(); }

private:
    // The thread's counter. Reached through a call rather than inlined: with
    // the address of an inlined thread-local kept across the guard's
    // exception handlers, GCC 12's UBSan build of this code reported a null
    // address on the memory-exhaustion path.
    static long& counter() noexcept;
};

// Raises PanicException. A fault while raising has nowhere left to go: it
// ends the process after "uncaught panic at ffi boundary".
void raise_fault(std::string_view message);

// What a guard's handler caught, kept as plain values: the handler only
// records it, and the guard acts on it once no exception is being handled.
// Acting means running Python code (a PanicException's __init__, finalizers),
// which may give up the interpreter lock; at interpreter exit the thread is
// then ended by a forced unwinding, which the C++ runtime cannot start while
// another exception is being handled.
struct CaughtFailure {
    // none until a handler records what it caught; foreign_exception is a
    // C++ exception of no type the boundary knows.
    enum class Kind { none, fault, out_of_memory, foreign_exception };
    Kind kind = Kind::none;
    std::string message;  // of a fault
};

// Releases what the unwinding put aside, then raises the failure.
void raise_caught(const CaughtFailure& caught);

// Runs a wrapper returning Outcome<T> and converts its result with `success`
// (T -> R, which must not throw); returns `failure_value` on failure.
template <class R, class Body, class Success>
R guarded(R failure_value, Body&& body, Success&& success) {
    LockDepth depth;
    CaughtFailure caught;
    try {
        auto outcome = std::forward<Body>(body)();
        if (outcome.ok()) {
            return success(std::move(outcome).value());
        }
        std::move(outcome).error().raise();
        return failure_value;
    } catch (Fault& fault) {
        caught = {CaughtFailure::Kind::fault, fault.take_message()};
    } catch (const std::bad_alloc&) {
        caught.kind = CaughtFailure::Kind::out_of_memory;
    } catch (...) {
        if (handling_forced_unwind()) {
            mark_thread_ended();
            throw;
        }
        caught.kind = CaughtFailure::Kind::foreign_exception;
    }
    raise_caught(caught);
    return failure_value;
}

// Calls whose result is a new reference: functions, methods, constructors, init.
template <class Body>
PyObject* guard_object(Body&& body) {
    return guarded<PyObject*>(nullptr, std::forward<Body>(body),
                              [](Ref result) { return result.release(); });
}

// Length slots.
template <class Body>
Py_ssize_t guard_length(Body&& body) {
    return guarded<Py_ssize_t>(-1, std::forward<Body>(body),
                               [](Py_ssize_t length) { return length; });
}

}  // namespace quorra::py
