// The operating-system calls of the core, in whichever implementation the
// build chose (QUORRA_TEST_LINUX_PLATFORM says it is the Linux one).

#include "platform/platform.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>

#if QUORRA_TEST_LINUX_PLATFORM
#include <pthread.h>
#include <sched.h>
#endif

namespace {

namespace platform = quorra::platform;

TEST(Platform, AvailableProcessorsIsAtLeastOne) { EXPECT_GE(platform::available_processors(), 1u); }

#if QUORRA_TEST_LINUX_PLATFORM
// The count follows the thread's affinity set, not the machine's size.
TEST(Platform, AvailableProcessorsCountsTheAffinitySet) {
    cpu_set_t before;
    CPU_ZERO(&before);
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    std::size_t allowed = 0;
    for (std::size_t cpu = 0; cpu < std::size_t{CPU_SETSIZE} && allowed < 2; ++cpu) {
        if (CPU_ISSET(cpu, &before)) {
            cpu_set_t fewer;
            CPU_ZERO(&fewer);
            for (std::size_t kept = 0; kept <= cpu; ++kept) {
                if (CPU_ISSET(kept, &before)) {
                    CPU_SET(kept, &fewer);
                }
            }
            ++allowed;
            ASSERT_EQ(sched_setaffinity(0, sizeof fewer, &fewer), 0);
            EXPECT_EQ(platform::available_processors(), allowed);
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof before, &before), 0);
    EXPECT_EQ(platform::available_processors(), static_cast<std::size_t>(CPU_COUNT(&before)));
}
#endif

class RandomBytes : public testing::TestWithParam<std::size_t> {};

// Every size is filled to its end and not a byte past it, and two draws
// differ (for 8 bytes or more, by chance at most once in 2^64 runs).
TEST_P(RandomBytes, FillsExactlyTheBufferWithFreshBytes) {
    const std::size_t size = GetParam();
    constexpr unsigned char guard = 0xa5;
    std::array<unsigned char, 80> first;
    std::array<unsigned char, 80> second;
    first.fill(guard);
    second.fill(guard);
    ASSERT_TRUE(platform::random_bytes(first.data(), size));
    ASSERT_TRUE(platform::random_bytes(second.data(), size));
    EXPECT_TRUE(std::all_of(first.begin() + static_cast<std::ptrdiff_t>(size), first.end(),
                            [](unsigned char b) { return b == guard; }));
    if (size >= 8) {
        EXPECT_FALSE(std::equal(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(size),
                                second.begin()));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RandomBytes, testing::Values(0u, 1u, 3u, 8u, 13u, 64u));

// Ids are per thread: the same on every call of one thread, different
// between threads alive at the same time.
TEST(Platform, ThreadIdIsStableWithinAThreadAndDistinctAcrossThreads) {
    const std::int64_t main_id = platform::thread_id();
    EXPECT_EQ(platform::thread_id(), main_id);
    std::int64_t other_id = main_id;
    std::int64_t other_again = 0;
    std::thread other([&] {
        other_id = platform::thread_id();
        other_again = platform::thread_id();
    });
    other.join();
    EXPECT_NE(other_id, main_id);
    EXPECT_EQ(other_again, other_id);
}

// A thread that nobody named has no given name; one named has that name,
// where threads have names.
TEST(Platform, GivenThreadNameIsOnlyANameSomebodyGave) {
    bool unnamed_has_name = true;
    bool named_has_name = false;
    char given[platform::thread_name_size] = {};
    std::thread worker([&] {
        char name[platform::thread_name_size] = {};
        unnamed_has_name = platform::given_thread_name(name);
#if QUORRA_TEST_LINUX_PLATFORM
        pthread_setname_np(pthread_self(), "worker-7");
#endif
        named_has_name = platform::given_thread_name(given);
    });
    worker.join();
    EXPECT_FALSE(unnamed_has_name);
#if QUORRA_TEST_LINUX_PLATFORM
    ASSERT_TRUE(named_has_name);
    EXPECT_EQ(std::string_view(given), "worker-7");
#else
    EXPECT_FALSE(named_has_name);
#endif
}

}  // namespace
