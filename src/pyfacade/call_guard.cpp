#include "pyfacade/call_guard.hpp"

#include <cstdio>
#include <cstdlib>

#include "pyfacade/panic_exception.hpp"

namespace quorra::py {

thread_local long LockDepth::depth_ = 0;

void raise_failure(CallFailure&& failure) noexcept {
    try {
        switch (failure.kind) {
            case CallFailure::Kind::Error:
                std::move(*failure.error).raise();
                return;
            case CallFailure::Kind::Panic:
                raise_panic(failure.panic_message);
                return;
            case CallFailure::Kind::ForeignPanic:
                raise_panic("panic from native code");
                return;
            case CallFailure::Kind::NoMemory:
                PyErr_NoMemory();
                return;
        }
    } catch (...) {
        // A fault while raising has nowhere left to go.
    }
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::fflush(stderr);
    std::abort();
}

}  // namespace quorra::py
