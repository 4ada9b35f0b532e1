#include "support/keyed_hash.hpp"

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>

namespace quorra {
namespace {

__extension__ typedef unsigned __int128 uint128;

// Full 64x64->128 multiply, folded back to 64 bits: the mixing step of the
// wyhash family of hashes.
inline std::uint64_t folded_multiply(std::uint64_t a, std::uint64_t b) noexcept {
    const uint128 product = static_cast<uint128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline std::uint64_t load64(const char* p) noexcept {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t load32(const char* p) noexcept {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t byte_at(const char* p, std::size_t i) noexcept {
    return static_cast<unsigned char>(p[i]);
}

// All of 1 to 8 bytes in one word, without a loop or a variable-length copy:
// two 4-byte loads that overlap for fewer than eight bytes, or the first,
// middle and last byte for fewer than four. Together with the length, which
// the caller mixes in, the word determines the bytes.
inline std::uint64_t load_short(const char* p, std::size_t n) noexcept {
    if (n >= 4) {
        return (load32(p) << 32) | load32(p + n - 4);
    }
    return (byte_at(p, 0) << 16) | (byte_at(p, n >> 1) << 8) | byte_at(p, n - 1);
}

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

std::uint64_t random_word(std::random_device& device) {
    return (static_cast<std::uint64_t>(device()) << 32) | device();
}

ProcessSeed read_process_seed() noexcept {
    for (const char* source : {"getrandom", "/dev/urandom"}) {
        try {
            std::random_device device(source);
            return {random_word(device), random_word(device)};
        } catch (...) {
            // Try the next source.
        }
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

// The length is mixed in first, so texts that agree on the bytes read but
// differ in length hash differently; every byte counts, NUL included.
std::uint64_t keyed_hash(const HashKeys& keys, std::string_view bytes) noexcept {
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    std::uint64_t acc = keys.k0 ^ (static_cast<std::uint64_t>(n) * 0x9e3779b97f4a7c15ULL);
    std::uint64_t last = 0;
    if (n > 8) {
        // Whole words while more than eight bytes are left, then the last
        // eight bytes as one word, which may overlap the word before.
        const char* const end = p + n;
        do {
            acc = folded_multiply(acc ^ load64(p), keys.k1);
            p += 8;
        } while (end - p > 8);
        last = load64(end - 8);
    } else if (n > 0) {
        last = load_short(p, n);
    }
    acc = folded_multiply(acc ^ last, keys.k1 ^ 0xa0761d6478bd642fULL);
    return folded_multiply(acc ^ keys.k0, 0xe7037ed1a0b428dbULL);
}

}  // namespace quorra
