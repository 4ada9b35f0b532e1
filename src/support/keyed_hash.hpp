#pragma once
// A keyed hash for byte strings. Each table gets its own random keys, so its
// layout cannot be predicted from outside; deriving keys costs no system call.
//
// The hash reads the text as words and mixes them with the keys. The words
// of a short text known at compile time can be read then (TextWords), so
// that hashing it under fresh keys is only the mixing: the registries hash
// their whole built-in contents that way every time one is made.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace quorra {

struct HashKeys {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;

    // Keys not handed out before in this process. The operating system's
    // randomness is read once per process; later keys are derived from it.
    static HashKeys fresh() noexcept;
};

std::uint64_t keyed_hash(const HashKeys& keys, std::string_view bytes) noexcept;

namespace keyed_hash_detail {

__extension__ typedef unsigned __int128 uint128;

// Full 64x64->128 multiply, folded back to 64 bits: the mixing step of the
// wyhash family of hashes.
constexpr std::uint64_t folded_multiply(std::uint64_t a, std::uint64_t b) noexcept {
    const uint128 product = static_cast<uint128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

// The next N bytes as a word, in the machine's byte order, also in a
// constant expression.
template <class Word>
constexpr std::uint64_t load(const char* p) noexcept {
    if (std::is_constant_evaluated()) {
        Word word = 0;
        for (std::size_t i = 0; i < sizeof(Word); ++i) {
            const std::size_t shift =
                8 * (std::endian::native == std::endian::little ? i : sizeof(Word) - 1 - i);
            word |= static_cast<Word>(static_cast<Word>(static_cast<unsigned char>(p[i])) << shift);
        }
        return word;
    }
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// All of 1 to 8 bytes in one word, without a loop or a variable-length copy:
// two 4-byte loads that overlap for fewer than eight bytes, or the first,
// middle and last byte for fewer than four. Together with the length, which
// is mixed in apart, the word determines the bytes.
constexpr std::uint64_t load_short(const char* p, std::size_t n) noexcept {
    if (n >= 4) {
        return (load<std::uint32_t>(p) << 32) | load<std::uint32_t>(p + n - 4);
    }
    const auto byte_at = [p](std::size_t i) -> std::uint64_t {
        return static_cast<unsigned char>(p[i]);
    };
    return (byte_at(0) << 16) | (byte_at(n >> 1) << 8) | byte_at(n - 1);
}

// The length comes first, so texts that agree on the words read but differ
// in length hash differently.
constexpr std::uint64_t start(const HashKeys& keys, std::size_t length) noexcept {
    return keys.k0 ^ (static_cast<std::uint64_t>(length) * 0x9e3779b97f4a7c15ULL);
}

constexpr std::uint64_t absorb(const HashKeys& keys, std::uint64_t acc,
                               std::uint64_t word) noexcept {
    return folded_multiply(acc ^ word, keys.k1);
}

constexpr std::uint64_t finish(const HashKeys& keys, std::uint64_t acc,
                               std::uint64_t last) noexcept {
    acc = folded_multiply(acc ^ last, keys.k1 ^ 0xa0761d6478bd642fULL);
    return folded_multiply(acc ^ keys.k0, 0xe7037ed1a0b428dbULL);
}

}  // namespace keyed_hash_detail

// The words keyed_hash reads from a text of at most 16 bytes.
struct TextWords {
    std::size_t length = 0;
    // The first eight bytes, when there are more than eight.
    std::uint64_t first = 0;
    // The last eight bytes, or all of one to eight.
    std::uint64_t last = 0;

    static constexpr std::size_t max_length = 16;

    // A longer text stops the compilation.
    static consteval TextWords of(std::string_view text) {
        if (text.size() > max_length) {
            throw "TextWords holds texts of at most 16 bytes";
        }
        namespace detail = keyed_hash_detail;
        TextWords words;
        words.length = text.size();
        if (text.size() > 8) {
            // Each load reads 8 bytes of the text; no terminator is looked for.
            // NOLINTNEXTLINE(bugprone-suspicious-stringview-data-usage)
            words.first = detail::load<std::uint64_t>(text.data());
            words.last = detail::load<std::uint64_t>(text.data() + text.size() - 8);
        } else if (!text.empty()) {
            words.last = detail::load_short(text.data(), text.size());
        }
        return words;
    }
};

// Equal to keyed_hash(keys, text) for the text whose words these are.
constexpr std::uint64_t keyed_hash(const HashKeys& keys, const TextWords& words) noexcept {
    namespace detail = keyed_hash_detail;
    std::uint64_t acc = detail::start(keys, words.length);
    if (words.length > 8) {
        acc = detail::absorb(keys, acc, words.first);
    }
    return detail::finish(keys, acc, words.last);
}

}  // namespace quorra
