#include "formulas/registry.hpp"

#include <algorithm>
#include <bit>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "expected_catalogue.hpp"
#include "platform/platform.hpp"

namespace {

using namespace std::literals;
using quorra::formulas::FormulaEntry;
using quorra::formulas::FormulasRegistry;
using quorra::formulas::NotFound;

// Expects a NotFound that carries exactly these bytes, and its message.
void expect_not_found(const FormulasRegistry& registry, const std::string& name) {
    auto found = registry.lookup(name);
    ASSERT_FALSE(found.ok());
    const auto* missing = std::get_if<NotFound>(&found.error().kind());
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->name, name);
    EXPECT_EQ(found.error().message(), "constant `" + name + "` not found in registry");
}

TEST(FormulasRegistry, NewRegistryIsEmpty) {
    const FormulasRegistry registry;
    EXPECT_EQ(registry.len(), 0u);
    EXPECT_TRUE(registry.names().empty());
    expect_not_found(registry, "b3");
    expect_not_found(registry, "");
}

TEST(FormulasRegistry, ShardCountIsFourPerAvailableProcessorRoundedUpToAPowerOfTwo) {
    const std::size_t processors = quorra::platform::available_processors();
    const std::size_t shards = FormulasRegistry::shard_count();
    EXPECT_TRUE(std::has_single_bit(shards)) << shards;
    EXPECT_GE(shards, 4 * processors);
    EXPECT_LT(shards, 8 * processors);
}

class MissingName : public testing::TestWithParam<std::string> {};

// Names match byte for byte: no case folding, trimming, prefix matching or
// stopping at a NUL byte.
TEST_P(MissingName, IsNotFoundAndReportedWithEveryByte) {
    expect_not_found(FormulasRegistry::with_builtins(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(NearCatalogueNames, MissingName,
                         testing::Values("B3"s, "PHI"s, "b3 "s, " b3"s, "b3\n"s, "n_ge"s,
                                         "n_gen_sq2"s, "b3\0x"s, "b3\0"s, "\0b3"s, ""s, "a`b"s,
                                         "\xcf\x86"s, "\xff"s));

TEST(FormulasRegistry, NameWithEmbeddedNulIsADistinctKey) {
    FormulasRegistry registry = FormulasRegistry::with_builtins();
    registry.insert(FormulaEntry::seed("b3\0x"sv, 7.0, "count"));
    EXPECT_EQ(registry.len(), 18u);
    EXPECT_EQ(registry.lookup("b3\0x"sv).value().value, 7.0);
    EXPECT_EQ(registry.lookup("b3").value().value, 24.0);
    expect_not_found(registry, "b3\0"s);

    const std::vector<std::string> names = registry.names();
    const auto b3 = std::find(names.begin(), names.end(), "b3");
    ASSERT_NE(b3, names.end());
    ASSERT_NE(b3 + 1, names.end());
    EXPECT_EQ(*(b3 + 1), "b3\0x"s);
}

TEST(FormulasRegistry, InsertReplacesAnEntryOfTheSameNameAndKeepsTheLength) {
    FormulasRegistry registry = FormulasRegistry::with_builtins();
    FormulaEntry replacement =
        FormulaEntry::derived("phi", "(1 + sqrt(5)) / 2", "dimensionless", {"five"});
    registry.insert(replacement);
    EXPECT_EQ(registry.len(), 17u);
    EXPECT_EQ(registry.lookup("phi").value(), replacement);
    EXPECT_EQ(registry.names(), formulas_test::sorted_catalogue_names());

    registry.insert(FormulaEntry::seed("phi", 2.0, "count"));
    EXPECT_EQ(registry.len(), 17u);
    EXPECT_EQ(registry.lookup("phi").value(), FormulaEntry::seed("phi", 2.0, "count"));
}

TEST(FormulasRegistry, NamesAreSortedAsUnsignedBytesWithPrefixesFirst) {
    FormulasRegistry registry;
    for (const std::string& name :
         {"\xc3\xa9"s, "ab"s, "a"s, "a\x01"s, "B"s, "a_"s, "ai"s, ""s, "a\0"s, "\x7f"s}) {
        registry.insert(FormulaEntry::seed(name, 1.0, "count"));
    }
    EXPECT_EQ(registry.names(), (std::vector<std::string>{"", "B", "a", "a\0"s, "a\x01", "a_", "ab",
                                                          "ai", "\x7f", "\xc3\xa9"}));
    // The empty name is a key like any other.
    EXPECT_EQ(registry.lookup("").value().name, "");
}

// Enough names to fill every shard several times over and to need more room
// than a small listing.
TEST(FormulasRegistry, ManyEntriesAreAllFoundAndListed) {
    FormulasRegistry registry;
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i) {
        std::string name = "entry_" + std::to_string(i);
        registry.insert(FormulaEntry::seed(name, static_cast<double>(i), "count"));
        expected.push_back(std::move(name));
    }
    EXPECT_EQ(registry.len(), 2000u);
    for (int i = 0; i < 2000; ++i) {
        auto found = registry.lookup(expected[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(found.ok()) << i;
        EXPECT_EQ(found.value().value, static_cast<double>(i));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(registry.names(), expected);
}

// Random byte strings, NUL and bytes above 0x7f included, of lengths from 0
// past the small-string size: enough of them that every shard's table grows
// several times. Half are then inserted again with new values.
class RandomNames : public testing::TestWithParam<unsigned> {};

TEST_P(RandomNames, AreFoundListedInByteOrderAndReplaced) {
    std::mt19937 random(GetParam());
    std::uniform_int_distribution<std::size_t> length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    std::map<std::string, double> expected;
    FormulasRegistry registry;
    for (int i = 0; i < 1500; ++i) {
        std::string name(length(random), '\0');
        for (char& c : name) {
            c = static_cast<char>(byte(random));
        }
        registry.insert(FormulaEntry::seed(name, i, "count"));
        expected[name] = i;
    }
    int round = 0;
    for (auto& [name, value] : expected) {
        if (++round % 2 == 0) {
            value = -value - 1.0;
            registry.insert(FormulaEntry::seed(name, value, "count"));
        }
    }

    EXPECT_EQ(registry.len(), expected.size());
    for (const auto& [name, value] : expected) {
        auto found = registry.lookup(name);
        ASSERT_TRUE(found.ok());
        EXPECT_EQ(found.value().name, name);
        EXPECT_EQ(found.value().value, value);
    }
    // std::map orders std::string keys by unsigned bytes, a prefix first.
    std::vector<std::string> sorted;
    for (const auto& entry : expected) {
        sorted.push_back(entry.first);
    }
    EXPECT_EQ(registry.names(), sorted);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomNames, testing::Values(1u, 2u, 3u));

TEST(FormulasRegistry, MovingHandsOverTheEntries) {
    FormulasRegistry source = FormulasRegistry::with_builtins();
    FormulasRegistry moved(std::move(source));
    EXPECT_EQ(moved.len(), 17u);
    EXPECT_EQ(moved.names(), formulas_test::sorted_catalogue_names());

    FormulasRegistry assigned;
    assigned.insert(FormulaEntry::seed("old", 1.0, "count"));
    assigned = std::move(moved);
    EXPECT_EQ(assigned.names(), formulas_test::sorted_catalogue_names());
    EXPECT_EQ(assigned.lookup("b3").value().value, 24.0);
}

// A moved-from registry reads as empty and can be filled again.
TEST(FormulasRegistry, MovedFromRegistryIsEmptyAndUsable) {
    FormulasRegistry source = FormulasRegistry::with_builtins();
    const FormulasRegistry target(std::move(source));
    EXPECT_EQ(source.len(), 0u);  // NOLINT(bugprone-use-after-move)
    EXPECT_TRUE(source.names().empty());
    expect_not_found(source, "b3");

    source.insert(FormulaEntry::seed("again", 1.0, "count"));
    EXPECT_EQ(source.len(), 1u);
    EXPECT_EQ(source.names(), std::vector<std::string>{"again"});
    EXPECT_EQ(target.len(), 17u);
}

}  // namespace

namespace {

// Replaces every catalogue entry, some twice, and adds names enough to grow
// every shard's table of inserted entries several times: the catalogue's
// slots in the block and the tables outside it must agree on every name.
TEST(FormulasRegistry, InsertsBeyondTheCatalogueAndReplacementsOfItAreSeenEverywhere) {
    FormulasRegistry registry = FormulasRegistry::with_builtins();
    std::map<std::string, FormulaEntry> expected;
    int round = 0;
    for (const FormulaEntry& builtin : formulas_test::expected_catalogue()) {
        const std::string& name = builtin.name;
        registry.insert(FormulaEntry::seed(name, -1.0, "count"));
        expected[name] = round++ % 2 == 0 ? FormulaEntry::seed(name, 1000.0 + round, "count")
                                          : FormulaEntry::derived(name, "x", "count", {"b3"});
        registry.insert(expected[name]);
    }
    for (int i = 0; i < 500; ++i) {
        std::string name = "added_" + std::to_string(i);
        FormulaEntry entry = FormulaEntry::seed(name, i, "count");
        registry.insert(entry);
        expected.emplace(std::move(name), std::move(entry));
    }

    EXPECT_EQ(registry.len(), expected.size());
    std::vector<std::string> sorted;
    for (const auto& [name, entry] : expected) {
        sorted.push_back(name);
        auto found = registry.lookup(name);
        ASSERT_TRUE(found.ok()) << name;
        EXPECT_EQ(found.value(), entry);
        auto value = registry.lookup_value(name);
        ASSERT_TRUE(value.ok()) << name;
        EXPECT_EQ(value.value(), entry.value) << name;
    }
    EXPECT_EQ(registry.names(), sorted);
}

// The value alone, from a catalogue entry or an inserted one; NotFound with
// every byte of a name that no entry has.
TEST(FormulasRegistry, LookupValueReadsTheStoredValueOnly) {
    FormulasRegistry registry = FormulasRegistry::with_builtins();
    for (const FormulaEntry& entry : formulas_test::expected_catalogue()) {
        auto value = registry.lookup_value(entry.name);
        ASSERT_TRUE(value.ok()) << entry.name;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value.value()),
                  std::bit_cast<std::uint64_t>(entry.value))
            << entry.name;
    }
    registry.insert(FormulaEntry::seed("b3\0x"sv, 5.0, "count"));
    EXPECT_EQ(registry.lookup_value("b3\0x"sv).value(), 5.0);
    for (const std::string& name : {"B3"s, "b3\0"s, ""s}) {
        auto value = registry.lookup_value(name);
        ASSERT_FALSE(value.ok());
        const auto* missing = std::get_if<NotFound>(&value.error().kind());
        ASSERT_NE(missing, nullptr);
        EXPECT_EQ(missing->name, name);
    }
}

// Moving hands over the block and the entries inserted outside it; the
// registry moved from reads as empty, and one moved over gives up its own.
TEST(FormulasRegistry, MovingCarriesInsertedAndReplacedEntries) {
    FormulasRegistry source = FormulasRegistry::with_builtins();
    source.insert(FormulaEntry::seed("b3", 7.0, "count"));
    source.insert(FormulaEntry::seed("extra", 8.0, "count"));

    FormulasRegistry target(std::move(source));
    EXPECT_EQ(source.len(), 0u);  // NOLINT(bugprone-use-after-move)
    expect_not_found(source, "extra");
    EXPECT_EQ(target.len(), 18u);
    EXPECT_EQ(target.lookup_value("b3").value(), 7.0);
    EXPECT_EQ(target.lookup_value("extra").value(), 8.0);

    FormulasRegistry other = FormulasRegistry::with_builtins();
    other.insert(FormulaEntry::seed("phi", 9.0, "count"));
    other.insert(FormulaEntry::seed("other_extra", 9.0, "count"));
    other = std::move(target);
    EXPECT_EQ(other.len(), 18u);
    EXPECT_EQ(other.lookup_value("phi").value(), 1.618033988749895);
    expect_not_found(other, "other_extra");
    EXPECT_EQ(other.lookup_value("b3").value(), 7.0);

    source.insert(FormulaEntry::seed("b3", 1.0, "count"));
    EXPECT_EQ(source.names(), std::vector<std::string>{"b3"});
}

}  // namespace
