#include "flavour/quark_registry.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::literals;
using quorra::flavour::Quark;
using quorra::flavour::QuarkRegistry;

constexpr double v_mev = 246220.0;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(QuarkRegistry, EmptyRegistryHasNoNames) {
    const QuarkRegistry registry;
    EXPECT_EQ(registry.len(), 0u);
    EXPECT_TRUE(registry.names().empty());
}

TEST(QuarkRegistry, StandardModelNamesAreByteSorted) {
    const QuarkRegistry registry = QuarkRegistry::standard_model();
    EXPECT_EQ(registry.len(), 6u);
    EXPECT_EQ(registry.names(),
              (std::vector<std::string>{"bottom", "charm", "down", "strange", "top", "up"}));
}

struct Rung {
    const char* name;
    int generation;
    int phi_exponent;
};

class StandardModelRung : public testing::TestWithParam<Rung> {};

// Every mass is v / phi^k and every ratio the rounded quotient mass / v.
TEST_P(StandardModelRung, MassesFollowTheGoldenRatioLadderBitForBit) {
    const Rung rung = GetParam();
    const QuarkRegistry registry = QuarkRegistry::standard_model();
    const Quark* quark = registry.find(rung.name);
    ASSERT_NE(quark, nullptr);
    EXPECT_EQ(quark->name, rung.name);
    EXPECT_EQ(quark->generation, rung.generation);
    EXPECT_EQ(quark->phi_exponent, rung.phi_exponent);
    EXPECT_TRUE(quark->attributes.empty());

    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    ASSERT_EQ(phi, 1.618033988749895);
    const double mass = v_mev / std::pow(phi, static_cast<double>(rung.phi_exponent));
    EXPECT_EQ(bits(quark->mass_mev), bits(mass)) << quark->mass_mev << " vs " << mass;
    EXPECT_EQ(bits(quark->mass_ratio), bits(mass / v_mev));
}

INSTANTIATE_TEST_SUITE_P(Quarks, StandardModelRung,
                         testing::Values(Rung{"up", 1, 12}, Rung{"down", 1, 11},
                                         Rung{"strange", 2, 8}, Rung{"charm", 2, 5},
                                         Rung{"bottom", 3, 4}, Rung{"top", 3, 0}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(QuarkRegistry, RatioIsTheQuotientNotTheRoundedInversePower) {
    const QuarkRegistry registry = QuarkRegistry::standard_model();
    const double phi = 1.618033988749895;
    EXPECT_EQ(registry.find("up")->mass_ratio, 0.003105620015141857);
    EXPECT_NE(registry.find("up")->mass_ratio, std::pow(phi, -12.0));
    EXPECT_EQ(registry.find("down")->mass_ratio, 0.005024998740641489);
    EXPECT_NE(registry.find("down")->mass_ratio, std::pow(phi, -11.0));
    EXPECT_EQ(registry.find("top")->mass_mev, 246220.0);
    EXPECT_EQ(registry.find("top")->mass_ratio, 1.0);
}

TEST(QuarkRegistry, InsertReplacesARecordOfTheSameName) {
    QuarkRegistry registry = QuarkRegistry::standard_model();
    Quark heavy;
    heavy.name = "top";
    heavy.mass_mev = 1.0;
    registry.insert(heavy);
    EXPECT_EQ(registry.len(), 6u);
    EXPECT_EQ(registry.find("top")->mass_mev, 1.0);
}

TEST(QuarkRegistry, NamesCompareAsUnsignedBytesWithPrefixesFirst) {
    QuarkRegistry registry;
    for (const char* name : {"\xc3\xa9", "ab", "a", "a\x01", "B", "a_", "ai"}) {
        Quark quark;
        quark.name = name;
        registry.insert(quark);
    }
    EXPECT_EQ(registry.names(),
              (std::vector<std::string>{"B", "a", "a\x01", "a_", "ab", "ai", "\xc3\xa9"}));
}

// Random byte strings, NUL and bytes above 0x7f included, of lengths from 0
// past the small-string size, inserted into the standard model's table until
// it has grown several times; a third are then inserted again. Every record
// keeps its own fields.
class QuarkRegistryGrowth : public testing::TestWithParam<unsigned> {};

TEST_P(QuarkRegistryGrowth, InsertsBeyondTheStandardModelAreFoundListedAndReplaced) {
    std::mt19937 random(GetParam());
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    QuarkRegistry registry = QuarkRegistry::standard_model();
    std::map<std::string, std::int32_t> expected;
    for (const char* name : {"bottom", "charm", "down", "strange", "top", "up"}) {
        expected[name] = registry.find(name)->phi_exponent;
    }
    for (std::int32_t i = 0; i < 300; ++i) {
        Quark quark;
        quark.name.resize(length(random));
        for (char& c : quark.name) {
            c = static_cast<char>(byte(random));
        }
        quark.phi_exponent = i;
        expected[quark.name] = i;
        registry.insert(std::move(quark));
    }
    std::int32_t round = 0;
    for (auto& [name, exponent] : expected) {
        if (++round % 3 == 0) {
            exponent = -round;
            Quark quark;
            quark.name = name;
            quark.phi_exponent = exponent;
            registry.insert(quark);
        }
    }

    EXPECT_EQ(registry.len(), expected.size());
    std::vector<std::string> sorted;
    for (const auto& [name, exponent] : expected) {
        sorted.push_back(name);
        const Quark* quark = registry.find(name);
        ASSERT_NE(quark, nullptr);
        EXPECT_EQ(quark->name, name);
        EXPECT_EQ(quark->phi_exponent, exponent);
    }
    // std::map orders std::string keys by unsigned bytes, a prefix first.
    EXPECT_EQ(registry.names(), sorted);
}

INSTANTIATE_TEST_SUITE_P(Seeds, QuarkRegistryGrowth, testing::Values(1u, 2u, 3u));

TEST(QuarkRegistry, FindMatchesEveryByteOfTheName) {
    const QuarkRegistry registry = QuarkRegistry::standard_model();
    for (const std::string& name : {"to"s, "topp"s, "Top"s, "top\0"s, "\0top"s, ""s}) {
        EXPECT_EQ(registry.find(name), nullptr) << name;
    }
    EXPECT_EQ(QuarkRegistry().find("top"), nullptr);
}

// Moving hands the table over; the registry moved from is empty and can be
// filled again, and one moved over gives up its own records.
TEST(QuarkRegistry, MovingHandsOverTheTable) {
    QuarkRegistry source = QuarkRegistry::standard_model();
    QuarkRegistry target(std::move(source));
    EXPECT_EQ(target.len(), 6u);
    EXPECT_EQ(target.find("top")->mass_mev, 246220.0);
    EXPECT_EQ(source.len(), 0u);  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(source.names().empty());
    EXPECT_EQ(source.find("top"), nullptr);

    Quark charm;
    charm.name = "charm";
    charm.generation = 2;
    source.insert(charm);
    EXPECT_EQ(source.names(), std::vector<std::string>{"charm"});

    target = std::move(source);
    EXPECT_EQ(target.names(), std::vector<std::string>{"charm"});
    EXPECT_EQ(target.find("charm")->generation, 2);
    EXPECT_EQ(target.find("top"), nullptr);
}

}  // namespace
