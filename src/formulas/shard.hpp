#pragma once
// One shard of a FormulasRegistry, and the registry's lock-free insert for a
// registry still being built; for the registry's own source files.

#include <cstdint>
#include <shared_mutex>
#include <string_view>
#include <utility>

#include "formulas/entry_table.hpp"
#include "formulas/registry.hpp"
#include "support/keyed_hash.hpp"

namespace quorra::formulas {

// A shard starts as an empty table, which owns no memory until its first
// insert, so an empty shard costs nothing beyond its place in the array.
struct FormulasRegistry::Shard {
    mutable std::shared_mutex lock;
    EntryTable entries;
};

// The top bits select the shard; the table inside takes the low bits for the
// home slot, so the two choices do not line up.
inline FormulasRegistry::Shard& FormulasRegistry::shard_for(std::uint64_t hash) const noexcept {
    return shards_[static_cast<std::size_t>(hash >> shard_shift_)];
}

template <class MakeEntry>
void FormulasRegistry::emplace_unshared(std::string_view name, MakeEntry&& make_entry) {
    const std::uint64_t hash = keyed_hash(keys_, name);
    shard_for(hash).entries.emplace_or_assign(hash, name, std::forward<MakeEntry>(make_entry));
}

}  // namespace quorra::formulas
