#include "formulas/entry_table.hpp"

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace quorra::formulas {
namespace {

// The entries start right after the slots, so the slots' size must keep them
// aligned; operator new aligns the block for either.
template <class Slot, class Entry>
constexpr bool entries_can_follow_slots =
    sizeof(Slot) % alignof(Entry) == 0 && alignof(Entry) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__ &&
    alignof(Slot) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__;

}  // namespace

// Growing moves entries from the old allocation into the new one; it cannot
// be left half done because nothing in a move can throw.
static_assert(std::is_nothrow_move_constructible_v<FormulaEntry>);
static_assert(std::is_nothrow_move_assignable_v<FormulaEntry>);

void EntryTable::release() noexcept {
    std::destroy_n(entries_, size_);
    ::operator delete(slots_);
}

EntryTable::Slot& EntryTable::free_slot_for(Slot* slots, std::size_t capacity,
                                            std::uint64_t hash) noexcept {
    const std::size_t mask = capacity - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (slots[i].entry != no_entry) {
        i = (i + 1) & mask;
    }
    return slots[i];
}

void EntryTable::grow_to(std::size_t new_capacity) {
    static_assert(entries_can_follow_slots<Slot, KeyedEntry>);
    const std::size_t slot_bytes = new_capacity * sizeof(Slot);
    void* const block = ::operator new(slot_bytes + max_size(new_capacity) * sizeof(KeyedEntry));

    Slot* const new_slots = static_cast<Slot*>(block);
    std::uninitialized_value_construct_n(new_slots, new_capacity);
    auto* const new_entries =
        static_cast<KeyedEntry*>(static_cast<void*>(static_cast<std::byte*>(block) + slot_bytes));

    // Entries keep their indices, so each used slot moves over as it is.
    std::uninitialized_move_n(entries_, size_, new_entries);
    std::destroy_n(entries_, size_);
    for (std::size_t i = 0; i < capacity_; ++i) {
        if (slots_[i].entry != no_entry) {
            free_slot_for(new_slots, new_capacity, slots_[i].hash) = slots_[i];
        }
    }
    ::operator delete(slots_);

    slots_ = new_slots;
    entries_ = new_entries;
    capacity_ = new_capacity;
}

void EntryTable::reserve(std::size_t count) {
    if (count <= max_size(capacity_)) {
        return;
    }
    std::size_t new_capacity = capacity_ == 0 ? first_capacity : capacity_;
    while (max_size(new_capacity) < count) {
        new_capacity *= 2;
    }
    grow_to(new_capacity);
}

EntryTable::Place EntryTable::place_for(std::uint64_t hash, std::string_view name) {
    Slot* free = nullptr;
    if (capacity_ != 0) {
        const std::size_t mask = capacity_ - 1;
        for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.entry == no_entry) {
                free = &slot;
                break;
            }
            if (slot.hash == hash && entries_[slot.entry].key == name) {
                return {&entries_[slot.entry], nullptr};
            }
        }
    }
    // The name is new. Growing moves the slots, so the free one found above
    // is only kept when no growth is needed.
    if (size_ == max_size(capacity_)) {
        grow_to(capacity_ == 0 ? first_capacity : 2 * capacity_);
        free = &free_slot_for(slots_, capacity_, hash);
    }
    return {nullptr, free};
}

const FormulaEntry* EntryTable::find(std::uint64_t hash, std::string_view name) const noexcept {
    if (capacity_ == 0) {
        return nullptr;
    }
    const std::size_t mask = capacity_ - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask; slots_[i].entry != no_entry;
         i = (i + 1) & mask) {
        const KeyedEntry& stored = entries_[slots_[i].entry];
        if (slots_[i].hash == hash && stored.key == name) {
            return &stored.entry;
        }
    }
    return nullptr;
}

}  // namespace quorra::formulas
