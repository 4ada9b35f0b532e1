#pragma once
// The reader-writer lock of one registry shard. Uncontended, a reader takes
// it with one atomic add and gives it back with another, where
// std::shared_mutex costs a compare-and-swap loop and a library call each
// way; a registry lists its names under one shard lock after another, so
// this is most of what len() and names() cost.
//
// Phase-fair: writers queue in ticket order, and a writer that arrives waits
// only for the readers already inside. Readers that arrive while a writer is
// present or waiting go in as soon as that writer leaves, ahead of the next
// writer, which in turn waits for them. So neither side can starve the other,
// however busy it is.
//
// Readers count themselves in on `entered_` and out on `left_`, in steps of
// `reader_step`; the low byte of each word holds flags. A writer snapshots
// `entered_` as it raises its flag there, and waits until `left_` reaches the
// snapshot. The two writer tickets are only ever touched by writers. Waiting
// is done with std::atomic wait and notify; the flags tell a thread leaving
// whether anybody waits, so uncontended paths never call notify.
//
// Meets the SharedLockable requirements used by std::shared_lock and
// std::unique_lock.

#include <atomic>
#include <cstdint>

namespace quorra::formulas {

class ShardLock {
public:
    ShardLock() noexcept = default;
    ShardLock(const ShardLock&) = delete;
    ShardLock& operator=(const ShardLock&) = delete;

    void lock_shared() noexcept {
        const std::uint32_t before = entered_.fetch_add(reader_step, std::memory_order_acquire);
        if ((before & writer_bits) != 0) [[unlikely]] {
            wait_while_writer(before & writer_bits);
        }
    }

    void unlock_shared() noexcept {
        const std::uint32_t before = left_.fetch_add(reader_step, std::memory_order_release);
        if ((before & writer_draining) != 0) [[unlikely]] {
            left_.notify_all();
        }
    }

    void lock() noexcept;
    void unlock() noexcept;

private:
    // Readers count in the upper 24 bits, so the flag bytes never carry.
    static constexpr std::uint32_t reader_step = 0x100;
    static constexpr std::uint32_t flag_byte = reader_step - 1;

    // Flags of `entered_`: a writer is present (holding the lock or waiting
    // for the readers before it), with the parity of its ticket, so that a
    // reader can tell that writer from the next one; and readers wait for it
    // to leave.
    static constexpr std::uint32_t writer_present = 0x1;
    static constexpr std::uint32_t writer_odd = 0x2;
    static constexpr std::uint32_t writer_bits = writer_present | writer_odd;
    static constexpr std::uint32_t readers_waiting = 0x4;

    // Flag of `left_`: a writer waits for the readers inside to leave.
    static constexpr std::uint32_t writer_draining = 0x1;

    // Slow path of lock_shared: the reader is counted in, but a writer with
    // these bits was present; waits until that writer has left.
    void wait_while_writer(std::uint32_t writer) noexcept;

    std::atomic<std::uint32_t> entered_{0};
    std::atomic<std::uint32_t> left_{0};
    std::atomic<std::uint32_t> next_ticket_{0};
    std::atomic<std::uint32_t> serving_{0};
};

}  // namespace quorra::formulas
