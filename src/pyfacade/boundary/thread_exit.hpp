#pragma once
// A thread ended by the interpreter in the middle of a call.
//
// At interpreter exit, CPython 3.11 to 3.13 end a daemon thread that tries to
// take the interpreter lock back, from inside whatever C API call gave it up
// (running Python code such as json.loads or an argument's __float__, or a
// finalizer), with pthread_exit. Its forced unwinding runs through the
// module's frames on a thread that no longer holds the lock, so nothing on
// that path may touch the interpreter: references those frames held are
// leaked, not released (the process is ending), and nothing is reported or
// raised. The unwinding itself must go on untouched, so every catch-all
// rethrows it and no noexcept frame may stand in its way.
//
// The thread is marked where the unwinding leaves a C API call, before any
// of the module's cleanups run: every call that can run Python code goes
// through python_call.

#include <atomic>
#include <exception>
#include <utility>

namespace quorra::py {

// How many threads of the process have been marked. Almost always 0, so the
// check below costs one load until some thread has been ended.
extern std::atomic<int> threads_ended_in_calls;

// This thread's mark.
bool& thread_ended_in_call() noexcept;

// Marks the current thread as ended without the interpreter lock.
void mark_thread_ended() noexcept;

// True on a thread being unwound without the interpreter lock.
inline bool interpreter_lost() noexcept {
    return threads_ended_in_calls.load(std::memory_order_relaxed) != 0 && thread_ended_in_call();
}

// True inside a catch-all that is handling the thread's forced unwinding
// (abi::__forced_unwind), which every catch-all must rethrow untouched. That
// exception is not one of C++'s own objects, so the runtime hands out no
// exception_ptr for it; the usual `catch (abi::__forced_unwind&)` would bind
// a reference to an object that does not exist, which the sanitizer build
// reports.
inline bool handling_forced_unwind() noexcept { return !std::current_exception(); }

// Runs a C API call that can run Python code, and so give up the interpreter
// lock; a forced unwinding out of it marks the thread, then goes on. The C
// API throws nothing of C++'s own, so nothing else can come out of it.
template <class Call>
decltype(auto) python_call(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        mark_thread_ended();
        throw;
    }
}

}  // namespace quorra::py
