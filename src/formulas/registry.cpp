#include "formulas/registry.hpp"

#include "formulas/entry_table.hpp"
#include "formulas/shard.hpp"

#include <sched.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

namespace quorra::formulas {
namespace {

// The processors this process may run on (its affinity set), or 1 when that
// cannot be read, e.g. on a machine with more than CPU_SETSIZE processors.
std::size_t available_processors() noexcept {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) {
        return 1;
    }
    const int count = CPU_COUNT(&set);
    return count > 0 ? static_cast<std::size_t>(count) : 1;
}

// Unsigned byte order, a prefix first. Compares inline: the names are short,
// and a call to memcmp per comparison costs more than the loop.
bool bytewise_less(std::string_view a, std::string_view b) noexcept {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

}  // namespace

std::size_t FormulasRegistry::shard_count() noexcept {
    static const std::size_t count = std::bit_ceil(4 * available_processors());
    return count;
}

// The whole shard array is one allocation. Default-initialising it is enough:
// every member of a shard has a constructor of its own.
FormulasRegistry::FormulasRegistry()
    : shards_(std::make_unique_for_overwrite<Shard[]>(shard_count())),
      keys_(HashKeys::fresh()),
      shard_shift_(64 - static_cast<unsigned>(std::countr_zero(shard_count()))) {}

FormulasRegistry::~FormulasRegistry() = default;
FormulasRegistry::FormulasRegistry(FormulasRegistry&&) noexcept = default;
FormulasRegistry& FormulasRegistry::operator=(FormulasRegistry&&) noexcept = default;

std::span<const FormulasRegistry::Shard> FormulasRegistry::shards() const noexcept {
    if (!shards_) {
        return {};
    }
    return {shards_.get(), shard_count()};
}

void FormulasRegistry::insert(FormulaEntry entry) {
    if (!shards_) {
        *this = FormulasRegistry();
    }
    const std::uint64_t hash = keyed_hash(keys_, entry.name);
    Shard& shard = shard_for(hash);
    const std::unique_lock lock(shard.lock);
    shard.entries.insert_or_assign(hash, std::move(entry));
}

void FormulasRegistry::reserve_unshared(std::span<const std::uint64_t> name_hashes) {
    // Counts per shard, on the stack unless the machine has hundreds of
    // processors.
    std::array<std::byte, 256 * sizeof(std::size_t)> scratch;
    std::pmr::monotonic_buffer_resource arena(scratch.data(), scratch.size());
    std::pmr::vector<std::size_t> counts(shards().size(), 0, &arena);
    for (const std::uint64_t hash : name_hashes) {
        ++counts[shard_index(hash)];
    }
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] != 0) {
            EntryTable& table = shards_[i].entries;
            table.reserve(table.size() + counts[i]);
        }
    }
}

std::size_t FormulasRegistry::len() const {
    std::size_t total = 0;
    for (const Shard& shard : shards()) {
        const std::shared_lock lock(shard.lock);
        total += shard.entries.size();
    }
    return total;
}

Result<FormulaEntry, RegistryError> FormulasRegistry::lookup(std::string_view name) const {
    if (shards_) {
        const std::uint64_t hash = keyed_hash(keys_, name);
        const Shard& shard = shard_for(hash);
        std::shared_lock lock(shard.lock);
        if (const FormulaEntry* found = shard.entries.find(hash, name)) {
            FormulaEntry copy = *found;
            lock.unlock();
            return copy;
        }
    }
    return Err{RegistryError(NotFound{std::string(name)})};
}

std::vector<std::string> FormulasRegistry::names() const {
    // Keys are copied while their shard's lock is held: a table moves its
    // entries when it grows, so a view of a key is good only under the lock.
    // Growing the list by at least doubling, from room for a few dozen
    // names, keeps the copying of strings it does linear.
    constexpr std::size_t first_room = 32;
    std::vector<std::string> copies;

    // Hand over hand, in ascending shard order: the next shard's lock is taken
    // before the previous one is let go. Shared locks are only ever taken in
    // that order, and a writer holds a single lock, so no cycle can form.
    std::shared_lock<std::shared_mutex> held;
    for (const Shard& shard : shards()) {
        std::shared_lock next(shard.lock);
        held = std::move(next);
        const std::size_t needed = copies.size() + shard.entries.size();
        if (needed > copies.capacity()) {
            copies.reserve(std::max({needed, 2 * copies.capacity(), first_room}));
        }
        shard.entries.for_each_key([&copies](std::string_view key) { copies.emplace_back(key); });
    }
    if (held) {
        held.unlock();
    }

    // The sort moves pointers to the copies, a word each, where moving a
    // short string would copy its bytes; each copy then moves once, into its
    // place. Room on the stack for the pointers of a few dozen names.
    std::array<std::byte, 64 * sizeof(std::string*)> scratch;
    std::pmr::monotonic_buffer_resource arena(scratch.data(), scratch.size());
    std::pmr::vector<std::string*> order(&arena);
    order.reserve(copies.size());
    for (std::string& copy : copies) {
        order.push_back(&copy);
    }
    std::stable_sort(order.begin(), order.end(), [](const std::string* a, const std::string* b) {
        return bytewise_less(*a, *b);
    });
    std::vector<std::string> sorted;
    sorted.reserve(order.size());
    for (std::string* name : order) {
        sorted.push_back(std::move(*name));
    }
    return sorted;
}

}  // namespace quorra::formulas
