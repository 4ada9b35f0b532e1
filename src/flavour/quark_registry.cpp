#include "flavour/quark_registry.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace quorra::flavour {
namespace {

struct QuarkRow {
    std::string_view name;
    std::uint8_t generation;
    std::int32_t phi_exponent;
    double mass_mev;    // v / phi^k, v = 246220 MeV
    double mass_ratio;  // mass_mev / v, the rounded quotient
    // What the hash of the name reads, read at compile time.
    TextWords name_words;
};

consteval QuarkRow quark_row(std::string_view name, std::uint8_t generation,
                             std::int32_t phi_exponent, double mass_mev, double mass_ratio) {
    return {name, generation, phi_exponent, mass_mev, mass_ratio, TextWords::of(name)};
}

// The values are v / phi^k and (v / phi^k) / v as doubles, bit for bit; the
// unit tests derive them again from that rule.
constexpr QuarkRow standard_model_table[] = {
    quark_row("up", 1, 12, 764.665760128228, 0.003105620015141857),
    quark_row("down", 1, 11, 1237.2551899207474, 0.005024998740641489),
    quark_row("strange", 2, 8, 5241.0970900186985, 0.02128623625220818),
    quark_row("charm", 2, 5, 22201.643549995544, 0.09016994374947422),
    quark_row("bottom", 3, 4, 35923.013870002665, 0.14589803375031543),
    quark_row("top", 3, 0, 246220.0, 1.0),
};

// Growing moves the records; it cannot be left half done because nothing in
// a move can throw.
static_assert(std::is_nothrow_move_constructible_v<Quark>);

// Room for four records at first.
constexpr std::size_t first_capacity = 8;

std::size_t capacity_for(std::size_t count) noexcept {
    return std::max(first_capacity, std::bit_ceil(2 * count));
}

}  // namespace

QuarkRegistry::QuarkRegistry() noexcept : keys_(HashKeys::fresh()) {}

QuarkRegistry::~QuarkRegistry() {
    std::destroy_n(quarks_, size_);
    ::operator delete(slots_);
}

QuarkRegistry::QuarkRegistry(QuarkRegistry&& other) noexcept
    : slots_(std::exchange(other.slots_, nullptr)),
      quarks_(std::exchange(other.quarks_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)),
      keys_(other.keys_) {}

QuarkRegistry& QuarkRegistry::operator=(QuarkRegistry&& other) noexcept {
    QuarkRegistry moved(std::move(other));
    std::swap(slots_, moved.slots_);
    std::swap(quarks_, moved.quarks_);
    std::swap(capacity_, moved.capacity_);
    std::swap(size_, moved.size_);
    std::swap(keys_, moved.keys_);
    return *this;
}

// In table order, as insert would store them, but each quark is built once,
// in its place, in the one allocation made for the whole table.
QuarkRegistry QuarkRegistry::standard_model() {
    QuarkRegistry registry;
    registry.grow_to(capacity_for(std::size(standard_model_table)));
    for (const QuarkRow& row : standard_model_table) {
        registry.emplace_or_assign(keyed_hash(registry.keys_, row.name_words), row.name, [&row] {
            return Quark{.name = std::string(row.name),
                         .attributes = {},
                         .mass_mev = row.mass_mev,
                         .mass_ratio = row.mass_ratio,
                         .phi_exponent = row.phi_exponent,
                         .generation = row.generation};
        });
    }
    return registry;
}

void QuarkRegistry::grow_to(std::size_t new_capacity) {
    // The records start right after the slots, so the slots' size must keep
    // them aligned; operator new aligns the block for either.
    static_assert(sizeof(Slot) % alignof(KeyedQuark) == 0);
    static_assert(alignof(KeyedQuark) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    const std::size_t slot_bytes = new_capacity * sizeof(Slot);
    void* const block = ::operator new(slot_bytes + room(new_capacity) * sizeof(KeyedQuark));

    Slot* const new_slots = static_cast<Slot*>(block);
    std::uninitialized_value_construct_n(new_slots, new_capacity);
    auto* const new_quarks =
        static_cast<KeyedQuark*>(static_cast<void*>(static_cast<std::byte*>(block) + slot_bytes));
    std::uninitialized_move_n(quarks_, size_, new_quarks);
    std::destroy_n(quarks_, size_);

    // Records keep their indices; each used slot moves to its new home.
    const std::size_t mask = new_capacity - 1;
    for (std::size_t i = 0; i < capacity_; ++i) {
        if (slots_[i].quark == no_quark) {
            continue;
        }
        std::size_t home = static_cast<std::size_t>(slots_[i].hash) & mask;
        while (new_slots[home].quark != no_quark) {
            home = (home + 1) & mask;
        }
        new_slots[home] = slots_[i];
    }
    ::operator delete(slots_);

    slots_ = new_slots;
    quarks_ = new_quarks;
    capacity_ = new_capacity;
}

QuarkRegistry::Slot& QuarkRegistry::slot_for(std::uint64_t hash,
                                             std::string_view name) const noexcept {
    const std::size_t mask = capacity_ - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (slots_[i].quark != no_quark &&
           (slots_[i].hash != hash || quarks_[slots_[i].quark].key != name)) {
        i = (i + 1) & mask;
    }
    return slots_[i];
}

template <class MakeQuark>
void QuarkRegistry::emplace_or_assign(std::uint64_t hash, std::string_view name,
                                      MakeQuark make_quark) {
    Slot* free = nullptr;
    if (capacity_ != 0) {
        Slot& slot = slot_for(hash, name);
        if (slot.quark != no_quark) {
            quarks_[slot.quark].quark = make_quark();
            return;
        }
        free = &slot;
    }
    if (size_ == room(capacity_)) {
        // Growing moves the slots, so the free one is found again.
        grow_to(capacity_ == 0 ? first_capacity : 2 * capacity_);
        free = &slot_for(hash, name);
    }
    // The slot points at the record only once the record exists.
    std::construct_at(quarks_ + size_, name, make_quark);
    *free = Slot{hash, size_};
    ++size_;
}

void QuarkRegistry::insert(Quark quark) {
    emplace_or_assign(keyed_hash(keys_, quark.name), quark.name,
                      [&quark]() -> Quark&& { return std::move(quark); });
}

std::size_t QuarkRegistry::len() const noexcept { return size_; }

std::vector<std::string> QuarkRegistry::names() const {
    // Sorts views of the keys and copies each name once, in order. The views
    // of a registry as small as the standard model's stay on the stack.
    std::array<std::string_view, 16> few;
    std::vector<std::string_view> many;
    std::span<std::string_view> keys;
    if (size_ <= few.size()) {
        keys = std::span(few).first(size_);
    } else {
        many.resize(size_);
        keys = many;
    }
    for (std::size_t i = 0; i < size_; ++i) {
        keys[i] = quarks_[i].key;
    }
    // Unsigned byte order, a prefix first, compared inline: the names are
    // short, and a call to memcmp per comparison costs more than the loop.
    // The keys are distinct, so any correct sort gives the stable order.
    std::sort(keys.begin(), keys.end(), [](std::string_view a, std::string_view b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    });
    return {keys.begin(), keys.end()};
}

const Quark* QuarkRegistry::find(std::string_view name) const noexcept {
    if (capacity_ == 0) {
        return nullptr;
    }
    const Slot& slot = slot_for(keyed_hash(keys_, name), name);
    return slot.quark == no_quark ? nullptr : &quarks_[slot.quark].quark;
}

}  // namespace quorra::flavour
