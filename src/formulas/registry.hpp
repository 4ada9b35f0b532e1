#pragma once
// FormulasRegistry: a concurrent map from entry name to FormulaEntry, split
// into shards that each have their own reader-writer lock.
//
// A registry is built and thrown away on nearly every call, so it lives in
// one allocation, its block: the shard array and, in a registry made by
// with_builtins, a slot per catalogue entry and a copy of the compile-time
// catalogue image, which holds every text of those entries. Each shard finds
// its catalogue entries among a few of those slots by their keyed hashes.
// Entries stored later by insert go into the shard's EntryTable, which
// allocates for itself; an insert under a catalogue name marks the catalogue
// entry's slot replaced, so that the inserted entry is the one seen.

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

struct BuiltinCatalogue;

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

    // The value of the entry stored under exactly these bytes, or NotFound;
    // nothing else of the entry is copied.
    Result<double, RegistryError> lookup_value(std::string_view name) const;

    // Every name, sorted by unsigned byte comparison, a prefix first.
    std::vector<std::string> names() const;

    // Number of shards of every registry of this process: four per available
    // processor, rounded up to a power of two.
    static std::size_t shard_count() noexcept;

private:
    struct Shard;
    struct BuiltinSlot;
    // Destroys the shards at the start of a block and frees the block.
    struct BlockDeleter {
        void operator()(Shard* shards) const noexcept;
    };
    struct TailBytes {
        std::size_t size;
    };

    // A registry whose block has room for this much after the shards.
    explicit FormulasRegistry(TailBytes tail);
    // The room after the shards.
    std::byte* block_tail() const noexcept;

    // Gives each shard its catalogue entries: the slots of the entries with
    // these hashes (one per catalogue entry, in catalogue order), grouped by
    // shard with a counting sort. Used by with_builtins.
    void sort_builtin_slots_into_shards(BuiltinSlot* slots,
                                        std::span<const std::uint64_t> hashes) noexcept;

    // All shards in index order; empty in a moved-from registry.
    std::span<Shard> shards() const noexcept;
    std::size_t shard_index(std::uint64_t hash) const noexcept;
    Shard& shard_for(std::uint64_t hash) const noexcept;

    // Under the shared lock of the name's shard: from_catalogue(index) for a
    // catalogue entry stored under exactly these bytes, from_inserted(entry)
    // for an inserted one; NotFound if there is none.
    template <class FromCatalogue, class FromInserted>
    auto read_entry(std::string_view name, FromCatalogue&& from_catalogue,
                    FromInserted&& from_inserted) const;

    // Null only in a moved-from registry, which reads as empty.
    std::unique_ptr<Shard, BlockDeleter> shards_;
    // The copy of the catalogue in the block; null in a registry made empty.
    const BuiltinCatalogue* catalogue_ = nullptr;
    // Keys of this registry's hash of names; the top bits of a hash pick the
    // shard, and an inserted entry's table takes its home slot from the low bits.
    HashKeys keys_;
    unsigned shard_shift_ = 0;
};

}  // namespace quorra::formulas
