// KeyedTable on its own, holding records of a test type. The tests pass the
// hashes in, so they can also give every name the same hash, or the same
// home slot with different hashes, and make probing and the byte comparison
// decide. They check what callers rely on: every value stays reachable by
// its exact name, replacing keeps one value per name, keys list in insertion
// order, and room reserved takes that many values without moving any.

#include "support/keyed_table.hpp"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/keyed_hash.hpp"

namespace {

using namespace std::literals;
using quorra::HashKeys;
using quorra::keyed_hash;

struct Record {
    std::string label;
    double number = 0.0;
};

using Table = quorra::KeyedTable<Record>;

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

class KeyedTableCase : public testing::TestWithParam<TableCase> {
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

    static double number_of(std::size_t i) { return static_cast<double>(i) + 0.5; }

    void insert(Table& table, std::size_t i, double offset = 0.0) const {
        table.emplace_or_assign(hash_of(names[i]), names[i],
                                [&] { return Record{names[i], number_of(i) + offset}; });
    }

    void insert_all(Table& table, double offset = 0.0) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            insert(table, i, offset);
        }
    }

    const Record* find(const Table& table, std::size_t i) const {
        return table.find(hash_of(names[i]), names[i]);
    }

    // Every name is found with its own value, and near misses are not.
    void expect_all_found(const Table& table, double offset = 0.0) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const Record* found = find(table, i);
            ASSERT_NE(found, nullptr) << i;
            EXPECT_EQ(found->label, names[i]);
            EXPECT_EQ(found->number, number_of(i) + offset);
            const std::string near_miss = names[i] + "?";
            EXPECT_EQ(table.find(hash_of(near_miss), near_miss), nullptr);
        }
    }

    // Where each value is now: a value that moves gets another address.
    std::vector<const Record*> addresses(const Table& table) const {
        std::vector<const Record*> found;
        for (std::size_t i = 0; i < names.size(); ++i) {
            found.push_back(find(table, i));
        }
        return found;
    }

    static std::vector<std::string> keys_of(const Table& table) {
        std::vector<std::string> listed;
        table.for_each_key([&listed](std::string_view key) { listed.emplace_back(key); });
        return listed;
    }
};

// Growth keeps every value reachable and the keys in insertion order;
// checked after every insert, so across each growth.
TEST_P(KeyedTableCase, GrowsAndFindsEveryValue) {
    Table table;
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.find(hash_of("n1"), "n1"), nullptr);
    for (std::size_t i = 0; i < names.size(); ++i) {
        insert(table, i);
        ASSERT_EQ(table.size(), i + 1);
        for (std::size_t j = 0; j <= i; ++j) {
            const Record* found = find(table, j);
            ASSERT_NE(found, nullptr) << "value " << j << " after inserting " << i;
            ASSERT_EQ(found->number, number_of(j));
        }
    }
    expect_all_found(table);
    EXPECT_EQ(keys_of(table), names);
}

// Replacing a value builds the new one in the old one's place: no value
// moves, the size and the key order stay.
TEST_P(KeyedTableCase, InsertingAPresentNameReplacesItsValueOnly) {
    Table table;
    insert_all(table);
    const std::vector<const Record*> before = addresses(table);
    insert_all(table, 1000.0);
    EXPECT_EQ(table.size(), names.size());
    EXPECT_EQ(addresses(table), before);
    expect_all_found(table, 1000.0);
    EXPECT_EQ(keys_of(table), names);
}

// After reserve(n), inserting up to n values in all moves none of them;
// reserving what is there already changes nothing either. Reserving more
// may move them, and they stay reachable.
TEST_P(KeyedTableCase, ReservedRoomTakesTheValuesWithoutMovingThem) {
    Table table;
    table.reserve(names.size());
    if (names.empty()) {
        EXPECT_EQ(table.size(), 0u);
        return;
    }
    insert(table, 0);
    const Record* const first = find(table, 0);
    for (std::size_t i = 1; i < names.size(); ++i) {
        insert(table, i);
        ASSERT_EQ(find(table, 0), first) << "moved by inserting " << i;
    }
    expect_all_found(table);

    const std::vector<const Record*> before = addresses(table);
    table.reserve(names.size());
    EXPECT_EQ(addresses(table), before);

    // Room for as many again, then filled with new names: nothing moves.
    table.reserve(2 * names.size());
    expect_all_found(table);
    const std::vector<const Record*> reserved = addresses(table);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string more = names[i] + "+";
        table.emplace_or_assign(hash_of(more), more, [&] { return Record{more, -1.0}; });
    }
    EXPECT_EQ(table.size(), 2 * names.size());
    EXPECT_EQ(addresses(table), reserved);
    expect_all_found(table);
}

// A moved-from table is empty and takes values again; the table moved to
// holds what the other held. The moved-from state is what is under test.
// NOLINTBEGIN(bugprone-use-after-move)
TEST_P(KeyedTableCase, MovingHandsOverEveryValue) {
    Table source;
    insert_all(source);
    Table moved(std::move(source));
    EXPECT_EQ(source.size(), 0u);
    EXPECT_TRUE(keys_of(source).empty());
    expect_all_found(moved);

    insert_all(source, 7.0);
    expect_all_found(source, 7.0);
    moved = std::move(source);
    EXPECT_EQ(source.size(), 0u);
    expect_all_found(moved, 7.0);
    EXPECT_EQ(keys_of(moved), names);
    if (!names.empty()) {
        EXPECT_EQ(find(source, 0), nullptr);
    }
}
// NOLINTEND(bugprone-use-after-move)

std::vector<TableCase> table_cases() {
    std::vector<TableCase> cases;
    for (Hashing hashing : {Hashing::Keyed, Hashing::AllEqual, Hashing::SameHomeSlot}) {
        for (std::size_t count : {0u, 1u, 4u, 5u, 9u, 33u, 300u}) {
            cases.push_back({hashing, count});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(HashingAndSize, KeyedTableCase, testing::ValuesIn(table_cases()),
                         [](const auto& test) {
                             std::ostringstream name;
                             name << test.param;
                             return name.str();
                         });

// A value built in place is exactly what the maker returns; replacing it
// builds the new value once and keeps a single key.
TEST(KeyedTable, EmplaceBuildsTheValueOnceAndReplacesByName) {
    Table table;
    int made = 0;
    table.emplace_or_assign(42, "n_gen_sq", [&made] {
        ++made;
        return Record{"first", 1.0};
    });
    EXPECT_EQ(made, 1);
    ASSERT_NE(table.find(42, "n_gen_sq"), nullptr);
    EXPECT_EQ(table.find(42, "n_gen_sq")->label, "first");
    table.emplace_or_assign(42, "n_gen_sq", [&made] {
        ++made;
        return Record{"second", 9.0};
    });
    EXPECT_EQ(made, 2);
    EXPECT_EQ(table.size(), 1u);
    const Record* found = table.find(42, "n_gen_sq");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->label, "second");
    EXPECT_EQ(found->number, 9.0);
}

}  // namespace
