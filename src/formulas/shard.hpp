#pragma once
// One shard of a FormulasRegistry, and the registry's inline helpers that
// need it; for the registry's own source files.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "formulas/builtin_catalogue.hpp"
#include "formulas/entry_table.hpp"
#include "formulas/registry.hpp"
#include "formulas/shard_lock.hpp"

namespace quorra::formulas {

// A catalogue entry whose name falls into the shard.
struct FormulasRegistry::BuiltinSlot {
    std::uint64_t hash = 0;
    // Index of the entry in the registry's catalogue image.
    std::uint32_t record = 0;
    // An inserted entry of the same name has taken its place.
    bool replaced = false;
};

struct FormulasRegistry::Shard {
    mutable ShardLock lock;
    // This shard's catalogue entries, in the block. With the few entries a
    // shard gets, comparing their stored hashes one after another is quicker
    // than probing a table, and needs no room decided up front.
    BuiltinSlot* builtins = nullptr;
    std::uint32_t builtin_count = 0;
    std::uint32_t replaced_count = 0;
    // Entries stored by insert.
    EntryTable inserted;

    std::span<BuiltinSlot> builtin_slots() const noexcept { return {builtins, builtin_count}; }

    // The catalogue entry named `name`, replaced or not, or null.
    BuiltinSlot* find_builtin(std::uint64_t hash, std::string_view name,
                              const BuiltinCatalogue* catalogue) const noexcept {
        for (BuiltinSlot& slot : builtin_slots()) {
            if (slot.hash == hash && catalogue->key(slot.record) == name) {
                return &slot;
            }
        }
        return nullptr;
    }

    std::size_t size() const noexcept { return builtin_count - replaced_count + inserted.size(); }
};

// The top bits select the shard; an inserted entry's table takes the low
// bits for its home slot, so the two choices do not line up.
inline std::size_t FormulasRegistry::shard_index(std::uint64_t hash) const noexcept {
    return static_cast<std::size_t>(hash >> shard_shift_);
}

inline FormulasRegistry::Shard& FormulasRegistry::shard_for(std::uint64_t hash) const noexcept {
    // The analyzer cannot see that shard_count() is the same at every call,
    // and so that the index, below it, is in the block.
    // NOLINTNEXTLINE(clang-analyzer-security.ArrayBound)
    return shards_.get()[shard_index(hash)];
}

}  // namespace quorra::formulas
