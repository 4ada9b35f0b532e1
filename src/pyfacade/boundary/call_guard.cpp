#include "pyfacade/boundary/call_guard.hpp"

#include <cstdio>
#include <cstdlib>

#include "pyfacade/boundary/panic_exception.hpp"

namespace quorra::py {
namespace {

[[noreturn]] void abort_at_boundary() noexcept {
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::fflush(stderr);
    std::abort();
}

}  // namespace

long& LockDepth::counter() noexcept {
    thread_local long depth = 0;
    return depth;
}

void raise_fault(std::string_view message) {
    try {
        raise_panic(message);
    } catch (...) {
        if (handling_forced_unwind()) {
            mark_thread_ended();
            throw;
        }
        abort_at_boundary();
    }
}

void raise_caught(const CaughtFailure& caught) {
    release_deferred_references();
    switch (caught.kind) {
        case CaughtFailure::Kind::none:
            // Only reached after a handler recorded something.
            break;
        case CaughtFailure::Kind::fault:
            raise_fault(caught.message);
            break;
        case CaughtFailure::Kind::out_of_memory:
            PyErr_NoMemory();
            break;
        case CaughtFailure::Kind::foreign_exception:
            write_fault_report("panic from native code", std::source_location::current());
            raise_fault("panic from native code");
            break;
    }
}

}  // namespace quorra::py
