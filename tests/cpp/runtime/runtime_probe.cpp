// A library linked like the extension module, with its own C++ standard
// library; static_runtime_test.cpp loads it with dlopen.

#include <cxxabi.h>

#include <stdexcept>
#include <string>

namespace {

struct Counter {
    int* count;
    ~Counter() { ++*count; }
};

}  // namespace

// Throws a std::runtime_error with a heap-allocated message through one frame
// that has a destructor, catches it by type, and returns the message's first
// character.
extern "C" __attribute__((visibility("default"))) int probe_throw_and_catch(char fill) {
    int unwound = 0;
    try {
        // Read by its destructor, which the unwinding runs.
        // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores)
        Counter counter{&unwound};
        throw std::runtime_error(std::string(100, fill));
    } catch (const std::runtime_error& error) {
        return unwound == 1 ? error.what()[0] : -1;
    }
}

// Calls `callback` in a frame with a destructor and a catch-all that lets a
// forced unwinding pass, as the call guard does. Counts the destructor's runs
// in `destroyed` and the rethrows in `rethrown`. Returns 1 when the callback
// returns, -1 when something else was caught.
extern "C" __attribute__((visibility("default"))) int probe_call_through(void (*callback)(),
                                                                         int* destroyed,
                                                                         int* rethrown) {
    Counter counter{destroyed};
    try {
        callback();
    } catch (abi::__forced_unwind&) {
        ++*rethrown;
        throw;
    } catch (...) {
        return -1;
    }
    return 1;
}
