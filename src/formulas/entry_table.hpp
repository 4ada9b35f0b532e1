#pragma once
// The hash table inside one registry shard: open addressing with linear
// probing over a contiguous array of slots, each holding the keyed hash of a
// name and where that name's entry is. The entries, each with its key (a copy
// of the entry's name), sit densely in insertion order in the same allocation.
//
// Why not std::unordered_map: it allocates a node per entry plus a bucket
// array that it reallocates as it grows, and consults its prime rehash policy
// on every insert. A registry is often built, read once and thrown away, so
// those allocations were most of its cost. Here a shard makes one allocation
// when it gets its first entry and one more each time it doubles, an empty
// shard allocates nothing, and the stored hashes mean the table never hashes
// a text: the registry hashes a name once and uses the same hash to pick the
// shard (top bits) and, here, the home slot (low bits).
//
// Keeping the entries dense, apart from the slots, makes the walks over them
// (destruction, listing the keys, moving them when the table grows) plain
// loops: stepping over sparse slots costs a mispredicted branch at nearly
// every free one, which for tables this small outweighs the rest.
//
// The table does no locking; the registry guards each one with its shard's
// lock. Entries move when the table grows, so nothing may keep a pointer or
// view into the table past the lock that guards it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "formulas/entry.hpp"

namespace quorra::formulas {

class EntryTable {
public:
    EntryTable() noexcept = default;
    // Most tables of a registry never get an entry, and those own nothing.
    ~EntryTable() {
        if (slots_ != nullptr) {
            release();
        }
    }
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;

    std::size_t size() const noexcept { return size_; }
    // Number of slots: 0 until the first insert, then a power of two.
    std::size_t capacity() const noexcept { return capacity_; }

    // Stores make_entry() under a copy of `name`, the name of the entry it
    // makes, whose keyed hash is `hash`. A new entry is built in its place; an
    // entry of the same name is replaced and the size stays the same.
    template <class MakeEntry>
    void emplace_or_assign(std::uint64_t hash, std::string_view name, MakeEntry&& make_entry) {
        const Place place = place_for(hash, name);
        if (place.existing != nullptr) {
            place.existing->entry = make_entry();
            return;
        }
        // The slot points at the entry only once the entry exists, so a
        // failure while building it leaves nothing behind but any growth.
        std::construct_at(entries_ + size_, name, make_entry);
        *place.free = Slot{hash, size_};
        ++size_;
    }

    // Moves the entry into its place under a copy of its name, whose keyed
    // hash is `hash`, replacing an entry of the same name.
    void insert_or_assign(std::uint64_t hash, FormulaEntry&& entry) {
        emplace_or_assign(hash, entry.name, [&entry]() -> FormulaEntry&& { return std::move(entry); });
    }

    // Makes room for `count` entries in all, so that inserting up to that
    // many allocates nothing more.
    void reserve(std::size_t count);

    // The entry stored under exactly these bytes, or null. `hash` must be the
    // one the name was inserted with.
    const FormulaEntry* find(std::uint64_t hash, std::string_view name) const noexcept;

    // Calls visit(key) for every stored name, in insertion order.
    template <class Visit>
    void for_each_key(Visit&& visit) const {
        for (std::size_t i = 0; i < size_; ++i) {
            visit(std::string_view(entries_[i].key));
        }
    }

private:
    struct KeyedEntry {
        // The key is copied before the entry is made, which may move from
        // the text that `name` views.
        template <class MakeEntry>
        KeyedEntry(std::string_view name, MakeEntry& make_entry)
            : key(name), entry(make_entry()) {}

        std::string key;
        FormulaEntry entry;
    };

    static constexpr std::size_t no_entry = ~std::size_t{0};

    // A free slot has no entry; a used one holds the name's keyed hash and
    // the index of its entry.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t entry = no_entry;
    };

    // Room for four entries at first.
    static constexpr std::size_t first_capacity = 8;
    // At most one slot in two is used, so probes stay short and every probe
    // sequence reaches a free slot; slots are small, entries are not, so the
    // room for entries is what sets the size of an allocation.
    static constexpr std::size_t max_size(std::size_t capacity) noexcept { return capacity / 2; }

    // Where an entry named `name` goes: the entry already stored under that
    // name, or else the free slot for a new one, the table grown first if it
    // has no room for another entry.
    struct Place {
        KeyedEntry* existing = nullptr;
        Slot* free = nullptr;
    };
    Place place_for(std::uint64_t hash, std::string_view name);

    // Destroys the entries and frees the allocation.
    void release() noexcept;
    // Moves every entry into a new allocation with this many slots, a power
    // of two with room for them all.
    void grow_to(std::size_t new_capacity);
    // The first free slot on the probe sequence of `hash`; the slots must
    // have one.
    static Slot& free_slot_for(Slot* slots, std::size_t capacity, std::uint64_t hash) noexcept;

    // One allocation, or null before the first insert: `capacity_` slots,
    // then room for max_size(capacity_) entries, the first `size_` of them
    // constructed.
    Slot* slots_ = nullptr;
    KeyedEntry* entries_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace quorra::formulas
