#pragma once
// The six Standard-Model quarks, with masses on a golden-ratio ladder below
// the electroweak scale.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "support/keyed_hash.hpp"

namespace quorra::flavour {

struct Quark {
    std::string name;
    std::unordered_map<std::string, double> attributes;  // unused, always empty
    double mass_mev = 0.0;
    double mass_ratio = 0.0;  // mass_mev / v
    std::int32_t phi_exponent = 0;
    std::uint8_t generation = 0;
};

// A hash map from name to Quark with keys of its own, in one allocation: an
// open-addressing table of slots (the keyed hash of a name and where its
// record is), then the records with their keys, densely in insertion order.
// py_list_quarks builds one on every call, so the standard-model table is
// placed in a single allocation sized for it up front; the table grows, by
// moving everything to a larger allocation, only when inserts outgrow it.
class QuarkRegistry {
public:
    // An empty registry, which allocates nothing until its first insert.
    QuarkRegistry() noexcept;
    ~QuarkRegistry();
    QuarkRegistry(QuarkRegistry&& other) noexcept;
    QuarkRegistry& operator=(QuarkRegistry&& other) noexcept;

    // A registry holding the six quarks of the standard-model table.
    static QuarkRegistry standard_model();

    // Stores the quark under a copy of its name, replacing one of that name.
    void insert(Quark quark);
    std::size_t len() const noexcept;
    // Every name, sorted by unsigned byte comparison, a prefix first.
    std::vector<std::string> names() const;

    // The quark stored under exactly these bytes, or null.
    const Quark* find(std::string_view name) const noexcept;

private:
    struct KeyedQuark {
        // The key is copied before the quark is made, which may move from
        // the text that `key` views.
        template <class MakeQuark>
        KeyedQuark(std::string_view key_text, MakeQuark& make_quark)
            : key(key_text), quark(make_quark()) {}

        std::string key;
        Quark quark;
    };
    static constexpr std::size_t no_quark = ~std::size_t{0};
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t quark = no_quark;
    };

    // Slots for this many records: at most one slot in two is used, so
    // probes stay short and always reach a free slot.
    static constexpr std::size_t room(std::size_t capacity) noexcept { return capacity / 2; }

    // Moves every record into a new allocation with this many slots.
    void grow_to(std::size_t new_capacity);
    // The slot holding `name`, else the free slot where it would go.
    Slot& slot_for(std::uint64_t hash, std::string_view name) const noexcept;
    // Stores make_quark(), the quark named `name`, whose keyed hash is
    // `hash`: built in its place when the name is new, else assigned over
    // the quark of that name.
    template <class MakeQuark>
    void emplace_or_assign(std::uint64_t hash, std::string_view name, MakeQuark make_quark);

    // One allocation, or null before the first insert: `capacity_` slots (a
    // power of two), then room for room(capacity_) records, the first
    // `size_` of them constructed.
    Slot* slots_ = nullptr;
    KeyedQuark* quarks_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    HashKeys keys_;
};

}  // namespace quorra::flavour
