// EntryTable, the KeyedTable of a registry shard's inserted entries: what it
// adds to the table, storing each entry under its own name. The table itself
// is tested in tests/cpp/support/keyed_table_test.cpp.

#include "formulas/entry_table.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/keyed_hash.hpp"

namespace {

using quorra::HashKeys;
using quorra::keyed_hash;
using quorra::formulas::EntryTable;
using quorra::formulas::FormulaEntry;

std::vector<std::string> keys_of(const EntryTable& table) {
    std::vector<std::string> listed;
    table.for_each_key([&listed](std::string_view key) { listed.emplace_back(key); });
    return listed;
}

// The key is copied before the entry is moved in: a moved-from long string is
// left empty, so a key taken after the move would not match.
TEST(EntryTable, KeyIsTheFullNameOfAMovedInEntry) {
    const std::string name = "a name well past the small-string size";
    const HashKeys keys = HashKeys::fresh();
    EntryTable table;
    table.insert_or_assign(keyed_hash(keys, name), FormulaEntry::seed(name, 1.0, "count"));
    EXPECT_EQ(keys_of(table), std::vector<std::string>{name});
    const FormulaEntry* found = table.find(keyed_hash(keys, name), name);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->name, name);
}

// An entry of a name already present replaces the stored one, whole.
TEST(EntryTable, InsertingAPresentNameReplacesTheWholeEntry) {
    const HashKeys keys = HashKeys::fresh();
    const std::uint64_t hash = keyed_hash(keys, "n_gen_sq");
    EntryTable table;
    table.insert_or_assign(hash,
                           FormulaEntry::derived("n_gen_sq", "n_gen * n_gen", "count", {"n_gen"}));
    table.insert_or_assign(hash, FormulaEntry::seed("n_gen_sq", 9.0, "count"));
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(keys_of(table), std::vector<std::string>{"n_gen_sq"});
    const FormulaEntry* found = table.find(hash, "n_gen_sq");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, FormulaEntry::seed("n_gen_sq", 9.0, "count"));
}

}  // namespace
