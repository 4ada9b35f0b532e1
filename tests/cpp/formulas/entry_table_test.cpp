// The per-shard hash table on its own. The tests pass the hashes in, so they
// can also give every name the same hash, or the same home slot with
// different hashes, and make probing and the byte comparison decide.

#include "formulas/entry_table.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/keyed_hash.hpp"

namespace {

using namespace std::literals;
using quorra::HashKeys;
using quorra::keyed_hash;
using quorra::formulas::EntryTable;
using quorra::formulas::FormulaEntry;

enum class Hashing { Keyed, AllEqual, SameHomeSlot };

std::ostream& operator<<(std::ostream& out, Hashing hashing) {
    switch (hashing) {
        case Hashing::Keyed:
            return out << "Keyed";
        case Hashing::AllEqual:
            return out << "AllEqual";
        case Hashing::SameHomeSlot:
            return out << "SameHomeSlot";
    }
    return out;
}

// Names of several lengths, some past the small-string size, one empty and
// some that differ only by a trailing NUL.
std::vector<std::string> test_names(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = i % 3 == 0 ? "n" : i % 3 == 1 ? "a_rather_long_name_" : "x\0"s;
        name += std::to_string(i);
        if (i % 5 == 0) {
            name += '\0';
        }
        names.push_back(std::move(name));
    }
    if (count > 0) {
        names[0] = "";
    }
    return names;
}

struct TableCase {
    Hashing hashing;
    std::size_t count;
};

std::ostream& operator<<(std::ostream& out, const TableCase& c) {
    return out << c.hashing << "_" << c.count;
}

class EntryTableCase : public testing::TestWithParam<TableCase> {
protected:
    const HashKeys keys = HashKeys::fresh();
    const std::vector<std::string> names = test_names(GetParam().count);

    std::uint64_t hash_of(std::string_view name) const {
        switch (GetParam().hashing) {
            case Hashing::Keyed:
                return keyed_hash(keys, name);
            case Hashing::AllEqual:
                return 0;
            case Hashing::SameHomeSlot:
                // Equal low bits, different high bits.
                return keyed_hash(keys, name) << 40;
        }
        return 0;
    }

    static double value_of(std::size_t i) { return static_cast<double>(i) + 0.5; }

    void insert_all(EntryTable& table, double offset = 0.0) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            table.insert_or_assign(hash_of(names[i]),
                                   FormulaEntry::seed(names[i], value_of(i) + offset, "count"));
        }
    }

    // Every name is found with its own entry, and near misses are not.
    void expect_all_found(const EntryTable& table, double offset = 0.0) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const FormulaEntry* found = table.find(hash_of(names[i]), names[i]);
            ASSERT_NE(found, nullptr) << i;
            EXPECT_EQ(found->name, names[i]);
            EXPECT_EQ(found->value, value_of(i) + offset);
            const std::string near_miss = names[i] + "?";
            EXPECT_EQ(table.find(hash_of(near_miss), near_miss), nullptr);
        }
    }

    std::vector<std::string> keys_of(const EntryTable& table) const {
        std::vector<std::string> listed;
        table.for_each_key([&listed](std::string_view key) { listed.emplace_back(key); });
        return listed;
    }
};

// Growth keeps every entry reachable, the slots at most half used, and the
// keys in insertion order; checked after every insert, so across each
// doubling.
TEST_P(EntryTableCase, GrowsAndFindsEveryEntry) {
    EntryTable table;
    EXPECT_EQ(table.capacity(), 0u);
    EXPECT_EQ(table.find(hash_of("n1"), "n1"), nullptr);
    for (std::size_t i = 0; i < names.size(); ++i) {
        table.insert_or_assign(hash_of(names[i]), FormulaEntry::seed(names[i], value_of(i), "count"));
        ASSERT_EQ(table.size(), i + 1);
        EXPECT_TRUE(std::has_single_bit(table.capacity()));
        EXPECT_GE(table.capacity(), 2 * table.size());
        EXPECT_GE(table.capacity(), 8u);
        for (std::size_t j = 0; j <= i; ++j) {
            const FormulaEntry* found = table.find(hash_of(names[j]), names[j]);
            ASSERT_NE(found, nullptr) << "entry " << j << " after inserting " << i;
            ASSERT_EQ(found->value, value_of(j));
        }
    }
    expect_all_found(table);
    EXPECT_EQ(keys_of(table), names);
}

TEST_P(EntryTableCase, InsertingAnExistingNameReplacesItsEntryOnly) {
    EntryTable table;
    insert_all(table);
    const std::size_t capacity = table.capacity();
    insert_all(table, 1000.0);
    EXPECT_EQ(table.size(), names.size());
    EXPECT_EQ(table.capacity(), capacity);
    expect_all_found(table, 1000.0);
    EXPECT_EQ(keys_of(table), names);
}

TEST_P(EntryTableCase, ReservedRoomTakesTheEntriesWithoutGrowing) {
    EntryTable table;
    table.reserve(names.size());
    const std::size_t capacity = table.capacity();
    EXPECT_EQ(capacity == 0, names.empty());
    insert_all(table);
    EXPECT_EQ(table.capacity(), capacity);
    expect_all_found(table);

    // Reserving what is already there changes nothing; more room moves the
    // entries, which stay reachable.
    table.reserve(names.size());
    EXPECT_EQ(table.capacity(), capacity);
    table.reserve(4 * names.size() + 1);
    EXPECT_GE(table.capacity(), 2 * (4 * names.size() + 1));
    expect_all_found(table);
    EXPECT_EQ(keys_of(table), names);
}

std::vector<TableCase> table_cases() {
    std::vector<TableCase> cases;
    for (Hashing hashing : {Hashing::Keyed, Hashing::AllEqual, Hashing::SameHomeSlot}) {
        for (std::size_t count : {0u, 1u, 4u, 5u, 9u, 33u, 300u}) {
            cases.push_back({hashing, count});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(HashingAndSize, EntryTableCase, testing::ValuesIn(table_cases()),
                         [](const auto& test) {
                             std::ostringstream name;
                             name << test.param;
                             return name.str();
                         });

// The key is copied before the entry is moved in: a moved-from long string is
// left empty, so a key taken after the move would not match.
TEST(EntryTable, KeyIsTheFullNameOfAMovedInEntry) {
    const std::string name = "a name well past the small-string size";
    const HashKeys keys = HashKeys::fresh();
    EntryTable table;
    table.insert_or_assign(keyed_hash(keys, name), FormulaEntry::seed(name, 1.0, "count"));
    std::vector<std::string> listed;
    table.for_each_key([&listed](std::string_view key) { listed.emplace_back(key); });
    EXPECT_EQ(listed, std::vector<std::string>{name});
    const FormulaEntry* found = table.find(keyed_hash(keys, name), name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, name);
}

// An entry built in place gets exactly what the maker returns; replacing it
// builds the new entry once and keeps a single key.
TEST(EntryTable, EmplaceBuildsTheEntryOnceAndReplacesByName) {
    EntryTable table;
    int made = 0;
    table.emplace_or_assign(42, "n_gen_sq", [&made] {
        ++made;
        return FormulaEntry::derived("n_gen_sq", "n_gen * n_gen", "count", {"n_gen"});
    });
    EXPECT_EQ(made, 1);
    ASSERT_NE(table.find(42, "n_gen_sq"), nullptr);
    EXPECT_EQ(table.find(42, "n_gen_sq")->expression, "n_gen * n_gen");
    table.emplace_or_assign(42, "n_gen_sq", [&made] {
        ++made;
        return FormulaEntry::seed("n_gen_sq", 9.0, "count");
    });
    EXPECT_EQ(made, 2);
    EXPECT_EQ(table.size(), 1u);
    const FormulaEntry* found = table.find(42, "n_gen_sq");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, FormulaEntry::seed("n_gen_sq", 9.0, "count"));
}

}  // namespace
