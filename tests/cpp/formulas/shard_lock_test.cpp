// The shard lock under contention from several threads. Run under
// ThreadSanitizer by scripts/tsan-cpp-tests.sh, which also reports any
// access to the guarded data that the lock failed to order.
//
// The starvation tests give the busy side a budget of rounds instead of a
// time limit, counted from the moment the other thread is about to ask for
// the lock: with a lock that let one side starve, the busy side would use up
// its budget before the starved thread got in.

#include "formulas/shard_lock.hpp"

#include <atomic>
#include <cstdint>
#include <latch>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using quorra::formulas::ShardLock;

// Far more rounds than a fair lock lets the busy side run before the
// waiting thread gets in.
constexpr int budget = 200'000;

struct Mix {
    int readers;
    int writers;
};

class ShardLockMix : public testing::TestWithParam<Mix> {};

// Writers change two plain counters apart from each other; a reader must
// never see them differ, and no one may be inside with a writer.
TEST_P(ShardLockMix, WritersAreAloneAndReadersSeeWholeWrites) {
    const Mix mix = GetParam();
    constexpr int writes_per_writer = 3000;
    constexpr int reads_per_reader = 6000;
    ShardLock lock;
    std::uint64_t first = 0;
    std::uint64_t second = 0;
    std::atomic<int> readers_inside{0};
    std::atomic<int> writers_inside{0};
    std::atomic<int> faults{0};
    std::latch start(mix.readers + mix.writers);

    std::vector<std::thread> threads;
    for (int w = 0; w < mix.writers; ++w) {
        threads.emplace_back([&] {
            start.arrive_and_wait();
            for (int i = 0; i < writes_per_writer; ++i) {
                const std::unique_lock guard(lock);
                if (writers_inside.fetch_add(1) != 0 || readers_inside.load() != 0) {
                    faults.fetch_add(1);
                }
                ++first;
                if (i % 64 == 0) {
                    std::this_thread::yield();
                }
                ++second;
                writers_inside.fetch_sub(1);
            }
        });
    }
    for (int r = 0; r < mix.readers; ++r) {
        threads.emplace_back([&] {
            start.arrive_and_wait();
            for (int i = 0; i < reads_per_reader; ++i) {
                const std::shared_lock guard(lock);
                readers_inside.fetch_add(1);
                if (writers_inside.load() != 0 || first != second) {
                    faults.fetch_add(1);
                }
                readers_inside.fetch_sub(1);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(faults.load(), 0);
    EXPECT_EQ(first, static_cast<std::uint64_t>(mix.writers) * writes_per_writer);
    EXPECT_EQ(second, first);
}

INSTANTIATE_TEST_SUITE_P(ReadersAndWriters, ShardLockMix,
                         testing::Values(Mix{0, 4}, Mix{3, 1}, Mix{2, 2}, Mix{4, 3}),
                         [](const auto& test) {
                             return std::to_string(test.param.readers) + "Readers" +
                                    std::to_string(test.param.writers) + "Writers";
                         });

// Readers do not exclude each other: a second reader gets in while the
// first holds the lock and waits for it (were it shut out, both would wait
// for ever). Once both have left, a writer gets in.
TEST(ShardLock, ReadersHoldTheLockTogether) {
    ShardLock lock;
    std::latch both_inside(2);
    std::atomic<int> inside{0};
    std::thread other([&] {
        const std::shared_lock guard(lock);
        inside.fetch_add(1);
        both_inside.arrive_and_wait();
        inside.fetch_sub(1);
    });
    {
        const std::shared_lock guard(lock);
        inside.fetch_add(1);
        both_inside.arrive_and_wait();
        EXPECT_GE(inside.load(), 1);
        inside.fetch_sub(1);
    }
    other.join();
    const std::unique_lock guard(lock);
    EXPECT_EQ(inside.load(), 0);
}

// Three busy threads call busy_round(done) again and again until the lone
// thread has had its turn, or until they have done `budget` rounds since it
// asked for the lock; the lone thread asks, then calls lone_turn(done),
// which sets `done` while it holds the lock. Returns how many busy threads
// ran out of rounds.
template <class BusyRound, class LoneTurn>
int busy_threads_out_of_rounds(BusyRound busy_round, LoneTurn lone_turn) {
    constexpr int busy_count = 3;
    std::atomic<bool> asking{false};
    std::atomic<bool> done{false};
    std::atomic<int> out_of_rounds{0};
    std::latch start(busy_count + 1);
    std::vector<std::thread> busy;
    for (int b = 0; b < busy_count; ++b) {
        busy.emplace_back([&] {
            start.arrive_and_wait();
            int round = 0;
            while (round < budget && !done.load()) {
                if (asking.load()) {
                    ++round;
                }
                busy_round(done);
            }
            if (round == budget) {
                out_of_rounds.fetch_add(1);
            }
        });
    }
    start.arrive_and_wait();
    asking.store(true);
    lone_turn(done);
    for (std::thread& thread : busy) {
        thread.join();
    }
    return out_of_rounds.load();
}

// Readers come and go so that one is always inside; a writer must still get
// in, because readers that arrive after it wait.
TEST(ShardLock, WriterIsNotStarvedByOverlappingReaders) {
    ShardLock lock;
    std::atomic<int> inside{0};
    const int starved = busy_threads_out_of_rounds(
        [&](const std::atomic<bool>& done) {
            const std::shared_lock guard(lock);
            inside.fetch_add(1);
            // Leave only once another reader is in, while that happens soon.
            for (int spin = 0; spin < 200 && inside.load() < 2 && !done.load(); ++spin) {
                std::this_thread::yield();
            }
            inside.fetch_sub(1);
        },
        [&](std::atomic<bool>& done) {
            const std::unique_lock guard(lock);
            EXPECT_EQ(inside.load(), 0);
            done.store(true);
        });
    EXPECT_EQ(starved, 0) << "the writer waited while readers kept coming";
}

// Writers take the lock back to back, each leaving only once another one
// waits for it; a reader must still get in, ahead of the writers that queue
// after the one it waited for.
TEST(ShardLock, ReaderIsNotStarvedByQueuedWriters) {
    ShardLock lock;
    std::atomic<int> waiting_writers{0};
    const int starved = busy_threads_out_of_rounds(
        [&](const std::atomic<bool>& done) {
            waiting_writers.fetch_add(1);
            const std::unique_lock guard(lock);
            waiting_writers.fetch_sub(1);
            for (int spin = 0; spin < 200 && waiting_writers.load() == 0 && !done.load(); ++spin) {
                std::this_thread::yield();
            }
        },
        [&](std::atomic<bool>& done) {
            const std::shared_lock guard(lock);
            done.store(true);
        });
    EXPECT_EQ(starved, 0) << "the reader waited while writers kept coming";
}

}  // namespace
