#pragma once
// A keyed hash for byte strings. Each table gets its own random keys, so its
// layout cannot be predicted from outside; deriving keys costs no system call.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorra {

struct HashKeys {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;

    // Keys not handed out before in this process. The operating system's
    // randomness is read once per process; later keys are derived from it.
    static HashKeys fresh() noexcept;
};

std::uint64_t keyed_hash(const HashKeys& keys, std::string_view bytes) noexcept;

// Hasher for unordered containers keyed by std::string, with lookups by
// std::string_view that build no temporary string.
struct KeyedStringHash {
    using is_transparent = void;

    HashKeys keys = HashKeys::fresh();

    std::size_t operator()(std::string_view bytes) const noexcept {
        return static_cast<std::size_t>(keyed_hash(keys, bytes));
    }
};

// Byte-for-byte equality to go with KeyedStringHash.
struct BytewiseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
};

}  // namespace quorra
