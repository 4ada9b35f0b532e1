#include "support/keyed_hash.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

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

// Fills the buffer with read_some(position, bytes left), retrying reads that
// a signal interrupted; false on any other failure or an early end.
template <class ReadSome>
bool fill(unsigned char* buffer, std::size_t size, ReadSome&& read_some) noexcept {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = read_some(buffer + filled, size - filled);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
        } else if (got == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

// The kernel's random source: getrandom(2), or /dev/urandom where that system
// call is missing or refused. Nothing here throws, so the first registry of a
// process costs no exception.
bool read_kernel_random(unsigned char* buffer, std::size_t size) noexcept {
    if (fill(buffer, size, [](unsigned char* at, std::size_t n) { return getrandom(at, n, 0); })) {
        return true;
    }
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool filled = fill(buffer, size, [fd](unsigned char* at, std::size_t n) { return read(fd, at, n); });
    close(fd);
    return filled;
}

ProcessSeed read_process_seed() noexcept {
    unsigned char bytes[sizeof(ProcessSeed)];
    if (read_kernel_random(bytes, sizeof bytes)) {
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
