#include "formulas/shard_lock.hpp"

namespace quorra::formulas {

void ShardLock::wait_while_writer(std::uint32_t writer) noexcept {
    std::uint32_t current = entered_.load(std::memory_order_acquire);
    while ((current & writer_bits) == writer) {
        if ((current & readers_waiting) == 0) {
            // Raised only while the same writer is present, so the flag
            // cannot outlive it: the writer clears it as it leaves.
            if (!entered_.compare_exchange_weak(current, current | readers_waiting,
                                                std::memory_order_acquire)) {
                continue;
            }
            current |= readers_waiting;
        }
        entered_.wait(current, std::memory_order_acquire);
        current = entered_.load(std::memory_order_acquire);
    }
    // The writer has left. If another one has come in since, it counts this
    // reader among those before it and waits for it.
}

void ShardLock::lock() noexcept {
    // Writers among themselves: first come, first served. The ticket and
    // serving counters are sequentially consistent so that a writer leaving
    // (which bumps `serving_`, then reads `next_ticket_`) and one arriving
    // (the reverse) cannot both miss each other.
    const std::uint32_t ticket = next_ticket_.fetch_add(1, std::memory_order_seq_cst);
    std::uint32_t served = serving_.load(std::memory_order_seq_cst);
    while (served != ticket) {
        serving_.wait(served, std::memory_order_seq_cst);
        served = serving_.load(std::memory_order_seq_cst);
    }

    // Stops new readers, and counts the readers already in.
    const std::uint32_t writer = writer_present | ((ticket & 1) != 0 ? writer_odd : 0);
    const std::uint32_t before = entered_.fetch_or(writer, std::memory_order_acquire);
    const std::uint32_t readers_before = before & ~flag_byte;

    std::uint32_t left = left_.load(std::memory_order_acquire);
    if ((left & ~flag_byte) == readers_before) {
        return;
    }
    for (;;) {
        // Every reader leaving from now on sees the flag and wakes us.
        left = left_.fetch_or(writer_draining, std::memory_order_acquire) | writer_draining;
        if ((left & ~flag_byte) == readers_before) {
            break;
        }
        left_.wait(left, std::memory_order_acquire);
    }
    left_.fetch_and(~writer_draining, std::memory_order_relaxed);
}

void ShardLock::unlock() noexcept {
    // Readers that came in while this writer was present go first...
    const std::uint32_t before =
        entered_.fetch_and(~(writer_bits | readers_waiting), std::memory_order_release);
    if ((before & readers_waiting) != 0) {
        entered_.notify_all();
    }
    // ...then the next writer, which waits for them.
    const std::uint32_t now_serving = serving_.fetch_add(1, std::memory_order_seq_cst) + 1;
    if (next_ticket_.load(std::memory_order_seq_cst) != now_serving) {
        serving_.notify_all();
    }
}

}  // namespace quorra::formulas
