#include "support/keyed_hash.hpp"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "platform/platform.hpp"

namespace quorra {
namespace {

inline std::uint64_t splitmix64(std::uint64_t x) noexcept {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

struct ProcessSeed {
    std::uint64_t s0;
    std::uint64_t s1;
};

ProcessSeed read_process_seed() noexcept {
    unsigned char bytes[sizeof(ProcessSeed)];
    if (platform::random_bytes(bytes, sizeof bytes)) {
        ProcessSeed seed;
        std::memcpy(&seed, bytes, sizeof seed);
        return seed;
    }
    // No source of randomness: keys still differ per process and per table.
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    static int anchor;
    return {splitmix64(now), splitmix64(reinterpret_cast<std::uintptr_t>(&anchor))};
}

}  // namespace

HashKeys HashKeys::fresh() noexcept {
    static const ProcessSeed seed = read_process_seed();
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t n = counter.fetch_add(1, std::memory_order_relaxed);
    const std::uint64_t k0 = splitmix64(seed.s0 ^ splitmix64(n));
    const std::uint64_t k1 = splitmix64(seed.s1 ^ k0);
    return {k0, k1 | 1};
}

// Every byte counts, NUL included.
std::uint64_t keyed_hash(const HashKeys& keys, std::string_view bytes) noexcept {
    namespace detail = keyed_hash_detail;
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    std::uint64_t acc = detail::start(keys, n);
    std::uint64_t last = 0;
    if (n > 8) {
        // Whole words while more than eight bytes are left, then the last
        // eight bytes as one word, which may overlap the word before.
        const char* const end = p + n;
        do {
            acc = detail::absorb(keys, acc, detail::load<std::uint64_t>(p));
            p += 8;
        } while (end - p > 8);
        last = detail::load<std::uint64_t>(end - 8);
    } else if (n > 0) {
        last = detail::load_short(p, n);
    }
    return detail::finish(keys, acc, last);
}

}  // namespace quorra
