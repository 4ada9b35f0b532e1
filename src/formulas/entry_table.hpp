#pragma once
// The table of entries that insert adds to a registry shard: a KeyedTable of
// formula entries, each stored under a copy of its own name. The registry
// guards each one with its shard's lock.

#include <cstdint>
#include <utility>

#include "formulas/entry.hpp"
#include "support/keyed_table.hpp"

namespace quorra::formulas {

class EntryTable : public KeyedTable<FormulaEntry> {
public:
    // Moves the entry into its place under a copy of its name, whose keyed
    // hash is `hash`, replacing an entry of the same name.
    void insert_or_assign(std::uint64_t hash, FormulaEntry&& entry) {
        emplace_or_assign(hash, entry.name,
                          [&entry]() -> FormulaEntry&& { return std::move(entry); });
    }
};

}  // namespace quorra::formulas
