#pragma once
// A hash table from owned text keys to values, for tables that are often
// built, read once and thrown away: open addressing with linear probing over
// a contiguous array of slots, each holding the keyed hash of a name and
// where that name's value is. The values, each with its key (its own copy of
// the name), sit densely in insertion order in the same allocation.
//
// Why not std::unordered_map: it allocates a node per value plus a bucket
// array that it reallocates as it grows. Here a table makes one allocation
// when it gets its first value and one more each time it doubles, and an
// empty table allocates nothing. The caller hashes a name once, with keys of
// its own, and passes the hash in; the table never hashes a text.
//
// Keeping the values dense, apart from the slots, makes the walks over them
// (destruction, listing the keys, moving them when the table grows) plain
// loops: stepping over sparse slots costs a mispredicted branch at nearly
// every free one, which for tables this small outweighs the rest.
//
// The table does no locking. Values move when the table grows, so nothing
// may keep a pointer or view into the table across an insert.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace quorra {

template <class Value>
class KeyedTable {
    // Growing moves the values from the old allocation into the new one; it
    // cannot be left half done because nothing in a move can throw.
    static_assert(std::is_nothrow_move_constructible_v<Value>);

public:
    KeyedTable() noexcept = default;
    // Many tables never get a value, and those own nothing.
    ~KeyedTable() {
        if (slots_ != nullptr) {
            release();
        }
    }
    KeyedTable(const KeyedTable&) = delete;
    KeyedTable& operator=(const KeyedTable&) = delete;
    // The table moved from is empty and can be filled again.
    KeyedTable(KeyedTable&& other) noexcept
        : slots_(std::exchange(other.slots_, nullptr)),
          values_(std::exchange(other.values_, nullptr)),
          capacity_(std::exchange(other.capacity_, 0)),
          size_(std::exchange(other.size_, 0)) {}
    KeyedTable& operator=(KeyedTable&& other) noexcept {
        KeyedTable moved(std::move(other));
        std::swap(slots_, moved.slots_);
        std::swap(values_, moved.values_);
        std::swap(capacity_, moved.capacity_);
        std::swap(size_, moved.size_);
        return *this;
    }

    std::size_t size() const noexcept { return size_; }

    // Stores make_value() under a copy of `name`, whose keyed hash is
    // `hash`. A new value is built in its place; the value of the same name
    // is replaced, and the size stays the same.
    template <class MakeValue>
    void emplace_or_assign(std::uint64_t hash, std::string_view name, MakeValue&& make_value) {
        const Place place = place_for(hash, name);
        if (place.existing != nullptr) {
            place.existing->value = make_value();
            return;
        }
        // The slot points at the value only once the value exists, so a
        // failure while building it leaves nothing behind but any growth.
        std::construct_at(values_ + size_, name, make_value);
        // Never null for a new name: a table without slots has size_ 0 ==
        // max_size(0), so place_for grows it first. The analyzer does not
        // know that size_ is 0 then.
        // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage)
        *place.free = Slot{hash, size_};
        ++size_;
    }

    // Makes room for `count` values in all, so that inserting up to that
    // many allocates nothing more.
    void reserve(std::size_t count) {
        if (count <= max_size(capacity_)) {
            return;
        }
        std::size_t new_capacity = capacity_ == 0 ? first_capacity : capacity_;
        while (max_size(new_capacity) < count) {
            new_capacity *= 2;
        }
        grow_to(new_capacity);
    }

    // The value stored under exactly these bytes, or null. `hash` must be the
    // one the name was inserted with.
    const Value* find(std::uint64_t hash, std::string_view name) const noexcept {
        if (capacity_ == 0) {
            return nullptr;
        }
        const std::size_t mask = capacity_ - 1;
        for (std::size_t i = static_cast<std::size_t>(hash) & mask; slots_[i].value != no_value;
             i = (i + 1) & mask) {
            const KeyedValue& stored = values_[slots_[i].value];
            if (slots_[i].hash == hash && stored.key == name) {
                return &stored.value;
            }
        }
        return nullptr;
    }

    // Calls visit(key) for every stored name, in insertion order.
    template <class Visit>
    void for_each_key(Visit&& visit) const {
        for (std::size_t i = 0; i < size_; ++i) {
            visit(std::string_view(values_[i].key));
        }
    }

private:
    struct KeyedValue {
        // The key is copied before the value is made, which may move from
        // the text that `name` views.
        template <class MakeValue>
        KeyedValue(std::string_view name, MakeValue& make_value) : key(name), value(make_value()) {}

        std::string key;
        Value value;
    };

    static constexpr std::size_t no_value = ~std::size_t{0};

    // A free slot has no value; a used one holds the name's keyed hash and
    // the index of its value.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t value = no_value;
    };

    // The values start right after the slots, so the slots' size must keep
    // them aligned; operator new aligns the block for either.
    static_assert(sizeof(Slot) % alignof(KeyedValue) == 0);
    static_assert(alignof(KeyedValue) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

    // Room for four values at first.
    static constexpr std::size_t first_capacity = 8;
    // At most one slot in two is used, so probes stay short and every probe
    // sequence reaches a free slot; slots are small, values are not, so the
    // room for values is what sets the size of an allocation.
    static constexpr std::size_t max_size(std::size_t capacity) noexcept { return capacity / 2; }

    // Where a value named `name` goes: the value already stored under that
    // name, or else the free slot for a new one, the table grown first if it
    // has no room for another value.
    struct Place {
        KeyedValue* existing = nullptr;
        Slot* free = nullptr;
    };

    Place place_for(std::uint64_t hash, std::string_view name) {
        Slot* free = nullptr;
        if (capacity_ != 0) {
            const std::size_t mask = capacity_ - 1;
            for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
                Slot& slot = slots_[i];
                if (slot.value == no_value) {
                    free = &slot;
                    break;
                }
                if (slot.hash == hash && values_[slot.value].key == name) {
                    return {&values_[slot.value], nullptr};
                }
            }
        }
        // The name is new. Growing moves the slots, so the free one found
        // above is only kept when no growth is needed.
        if (size_ == max_size(capacity_)) {
            grow_to(capacity_ == 0 ? first_capacity : 2 * capacity_);
            free = &free_slot_for(slots_, capacity_, hash);
        }
        return {nullptr, free};
    }

    // Destroys the values and frees the allocation.
    void release() noexcept {
        std::destroy_n(values_, size_);
        ::operator delete(slots_);
    }

    // Moves every value into a new allocation with this many slots, a power
    // of two with room for them all.
    void grow_to(std::size_t new_capacity) {
        const std::size_t slot_bytes = new_capacity * sizeof(Slot);
        void* const block =
            ::operator new(slot_bytes + max_size(new_capacity) * sizeof(KeyedValue));

        Slot* const new_slots = static_cast<Slot*>(block);
        std::uninitialized_value_construct_n(new_slots, new_capacity);
        auto* const new_values = static_cast<KeyedValue*>(
            static_cast<void*>(static_cast<std::byte*>(block) + slot_bytes));

        // Values keep their indices, so each used slot moves over as it is.
        std::uninitialized_move_n(values_, size_, new_values);
        std::destroy_n(values_, size_);
        for (std::size_t i = 0; i < capacity_; ++i) {
            if (slots_[i].value != no_value) {
                free_slot_for(new_slots, new_capacity, slots_[i].hash) = slots_[i];
            }
        }
        ::operator delete(slots_);

        slots_ = new_slots;
        values_ = new_values;
        capacity_ = new_capacity;
    }

    // The first free slot on the probe sequence of `hash`; the slots must
    // have one.
    static Slot& free_slot_for(Slot* slots, std::size_t capacity, std::uint64_t hash) noexcept {
        const std::size_t mask = capacity - 1;
        std::size_t i = static_cast<std::size_t>(hash) & mask;
        while (slots[i].value != no_value) {
            i = (i + 1) & mask;
        }
        return slots[i];
    }

    // One allocation, or null before the first insert: `capacity_` slots,
    // then room for max_size(capacity_) values, the first `size_` of them
    // constructed.
    Slot* slots_ = nullptr;
    KeyedValue* values_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace quorra
