#include "pyfacade/boundary/thread_exit.hpp"

namespace quorra::py {

std::atomic<int> threads_ended_in_calls{0};

// Reached through a call rather than inlined, as the lock depth is.
bool& thread_ended_in_call() noexcept {
    thread_local bool ended = false;
    return ended;
}

void mark_thread_ended() noexcept {
    bool& ended = thread_ended_in_call();
    if (!ended) {
        ended = true;
        threads_ended_in_calls.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace quorra::py
