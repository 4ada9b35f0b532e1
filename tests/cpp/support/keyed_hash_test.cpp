// The keyed hash of names that the registry picks shards and slots with: every
// byte and the length count, and each registry's keys give other hashes.

#include "support/keyed_hash.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

using namespace std::literals;
using quorra::HashKeys;
using quorra::keyed_hash;
using quorra::TextWords;

class TextLength : public testing::TestWithParam<std::size_t> {};

// Changing any one byte changes the hash, whether the byte is read as part
// of a whole word, of the overlapping last word, or of a short tail.
TEST_P(TextLength, EveryByteCounts) {
    const std::size_t length = GetParam();
    const HashKeys keys = HashKeys::fresh();
    std::mt19937 random(static_cast<unsigned>(length));
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) {
        c = static_cast<char>(byte(random));
    }
    const std::uint64_t original = keyed_hash(keys, text);
    EXPECT_EQ(keyed_hash(keys, text), original);
    for (std::size_t i = 0; i < length; ++i) {
        for (const int flip : {0x01, 0x80, 0xff}) {
            std::string changed = text;
            changed[i] = static_cast<char>(changed[i] ^ flip);
            EXPECT_NE(keyed_hash(keys, changed), original) << "byte " << i << " flip " << flip;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(UpToSeveralWords, TextLength, testing::Range<std::size_t>(0, 41));

// Texts that read the same words once zero-padded still differ by length.
TEST(KeyedHash, LengthCountsForTextsOfNulBytes) {
    const HashKeys keys = HashKeys::fresh();
    std::set<std::uint64_t> hashes;
    std::size_t texts = 0;
    for (std::size_t length = 0; length <= 40; ++length) {
        hashes.insert(keyed_hash(keys, std::string(length, '\0')));
        ++texts;
        if (length > 0) {
            hashes.insert(keyed_hash(keys, std::string(length, 'a')));
            ++texts;
        }
    }
    EXPECT_EQ(hashes.size(), texts);
}

TEST(KeyedHash, FreshKeysHashTheSameTextDifferently) {
    const HashKeys first = HashKeys::fresh();
    const HashKeys second = HashKeys::fresh();
    EXPECT_NE(keyed_hash(first, "b3"), keyed_hash(second, "b3"));
    EXPECT_NE(keyed_hash(first, ""), keyed_hash(second, ""));
}

// Bytes of every kind, NUL and above 0x7f included; texts of each length up
// to the most TextWords holds are cut from the front and from the back.
constexpr std::string_view pool = "\xff\0b3\x80_n\x01gen\0\x7fq\xc3\xa9z!"sv;
static_assert(pool.size() > TextWords::max_length);

constexpr auto front_words = []() consteval {
    std::array<TextWords, TextWords::max_length + 1> words{};
    for (std::size_t n = 0; n < words.size(); ++n) {
        words[n] = TextWords::of(pool.substr(0, n));
    }
    return words;
}();

constexpr auto back_words = []() consteval {
    std::array<TextWords, TextWords::max_length + 1> words{};
    for (std::size_t n = 0; n < words.size(); ++n) {
        words[n] = TextWords::of(pool.substr(pool.size() - n));
    }
    return words;
}();

class ShortTextLength : public testing::TestWithParam<std::size_t> {};

// Words read at compile time hash as the text itself does at run time.
TEST_P(ShortTextLength, WordsReadAtCompileTimeHashAsTheText) {
    const std::size_t n = GetParam();
    for (int round = 0; round < 4; ++round) {
        const HashKeys keys = HashKeys::fresh();
        EXPECT_EQ(keyed_hash(keys, front_words[n]), keyed_hash(keys, pool.substr(0, n)));
        EXPECT_EQ(keyed_hash(keys, back_words[n]), keyed_hash(keys, pool.substr(pool.size() - n)));
    }
}

INSTANTIATE_TEST_SUITE_P(UpToTheLongestShortText, ShortTextLength,
                         testing::Range<std::size_t>(0, TextWords::max_length + 1));

}  // namespace
