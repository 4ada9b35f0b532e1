// The keyed hash of names that the registry picks shards and slots with: every
// byte and the length count, and each registry's keys give other hashes.

#include "support/keyed_hash.hpp"

#include <cstddef>
#include <cstdint>
#include <random>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

using quorra::HashKeys;
using quorra::keyed_hash;

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

}  // namespace
