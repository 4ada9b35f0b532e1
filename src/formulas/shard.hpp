#pragma once
// One shard of a FormulasRegistry, and the registry's inline helpers that
// need it; for the registry's own source files.

#include <cstddef>
#include <cstdint>
#include <shared_mutex>
#include <string_view>
#include <utility>

#include "formulas/entry_table.hpp"
#include "formulas/registry.hpp"

namespace quorra::formulas {

// A shard starts as an empty table, which owns no memory until its first
// insert, so an empty shard costs nothing beyond its place in the array.
struct FormulasRegistry::Shard {
    mutable std::shared_mutex lock;
    EntryTable entries;
};

// The top bits select the shard; the table inside takes the low bits for the
// home slot, so the two choices do not line up.
inline std::size_t FormulasRegistry::shard_index(std::uint64_t hash) const noexcept {
    return static_cast<std::size_t>(hash >> shard_shift_);
}

inline FormulasRegistry::Shard& FormulasRegistry::shard_for(std::uint64_t hash) const noexcept {
    return shards_[shard_index(hash)];
}

template <class MakeEntry>
void FormulasRegistry::emplace_unshared(std::uint64_t hash, std::string_view name,
                                        MakeEntry&& make_entry) {
    shard_for(hash).entries.emplace_or_assign(hash, name, std::forward<MakeEntry>(make_entry));
}

}  // namespace quorra::formulas
