#pragma once
// FormulasRegistry: a concurrent map from entry name to FormulaEntry, split
// into shards that each have their own reader-writer lock.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formulas/entry.hpp"
#include "formulas/registry_error.hpp"
#include "support/keyed_hash.hpp"
#include "support/result.hpp"

namespace quorra::formulas {

class FormulasRegistry {
public:
    // An empty registry with the process's shard count and fresh hash keys.
    FormulasRegistry();
    ~FormulasRegistry();
    FormulasRegistry(FormulasRegistry&&) noexcept;
    FormulasRegistry& operator=(FormulasRegistry&&) noexcept;

    // A new registry holding the seventeen entries of the built-in catalogue.
    static FormulasRegistry with_builtins();

    // Stores the entry under a copy of its name, replacing an entry of that name.
    void insert(FormulaEntry entry);

    // Sum of the shard sizes, read one shard at a time.
    std::size_t len() const;

    // A deep copy of the entry stored under exactly these bytes, or NotFound.
    Result<FormulaEntry, RegistryError> lookup(std::string_view name) const;

    // Every name, sorted by unsigned byte comparison, a prefix first.
    std::vector<std::string> names() const;

    // Number of shards of every registry of this process: four per available
    // processor, rounded up to a power of two.
    static std::size_t shard_count() noexcept;

private:
    struct Shard;

    // All shards in index order; empty in a moved-from registry.
    std::span<const Shard> shards() const noexcept;
    std::size_t shard_index(std::uint64_t hash) const noexcept;
    Shard& shard_for(std::uint64_t hash) const noexcept;
    // For a registry still being built that no other thread can reach, so
    // without taking shard locks: sizes each shard's table for as many more
    // entries as there are names with these hashes that fall into it. Not
    // for a moved-from registry, which has no shards.
    void reserve_unshared(std::span<const std::uint64_t> name_hashes);
    // Also without locks: stores make_entry(), the entry named `name`, whose
    // keyed hash is `hash`, building it in its slot. In formulas/shard.hpp.
    template <class MakeEntry>
    void emplace_unshared(std::uint64_t hash, std::string_view name, MakeEntry&& make_entry);

    // Null only in a moved-from registry, which reads as empty.
    std::unique_ptr<Shard[]> shards_;
    // Keys of this registry's hash of names; the top bits of a hash pick the
    // shard, and the shard's table takes its home slot from the low bits.
    HashKeys keys_;
    unsigned shard_shift_ = 0;
};

}  // namespace quorra::formulas
