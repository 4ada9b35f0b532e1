#include "formulas/registry.hpp"

#include "formulas/shard.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/platform.hpp"

namespace quorra::formulas {
namespace {

Err<RegistryError> not_found(std::string_view name) {
    return Err{RegistryError(NotFound{std::string(name)})};
}

}  // namespace

std::size_t FormulasRegistry::shard_count() noexcept {
    static const std::size_t count = std::bit_ceil(4 * platform::available_processors());
    return count;
}

void FormulasRegistry::BlockDeleter::operator()(Shard* shards) const noexcept {
    std::destroy_n(shards, shard_count());
    ::operator delete(shards);
}

FormulasRegistry::FormulasRegistry(TailBytes tail)
    : keys_(HashKeys::fresh()),
      shard_shift_(64 - static_cast<unsigned>(std::countr_zero(shard_count()))) {
    Shard* const shards =
        static_cast<Shard*>(::operator new(shard_count() * sizeof(Shard) + tail.size));
    // Constructing the shards cannot fail, so the block cannot leak.
    static_assert(std::is_nothrow_default_constructible_v<Shard>);
    std::uninitialized_default_construct_n(shards, shard_count());
    shards_.reset(shards);
}

FormulasRegistry::FormulasRegistry() : FormulasRegistry(TailBytes{0}) {}

FormulasRegistry::~FormulasRegistry() = default;

FormulasRegistry::FormulasRegistry(FormulasRegistry&& other) noexcept
    : shards_(std::move(other.shards_)),
      catalogue_(std::exchange(other.catalogue_, nullptr)),
      keys_(other.keys_),
      shard_shift_(other.shard_shift_) {}

FormulasRegistry& FormulasRegistry::operator=(FormulasRegistry&& other) noexcept {
    shards_ = std::move(other.shards_);
    catalogue_ = std::exchange(other.catalogue_, nullptr);
    keys_ = other.keys_;
    shard_shift_ = other.shard_shift_;
    return *this;
}

std::byte* FormulasRegistry::block_tail() const noexcept {
    return static_cast<std::byte*>(static_cast<void*>(shards_.get() + shard_count()));
}

std::span<FormulasRegistry::Shard> FormulasRegistry::shards() const noexcept {
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
    BuiltinSlot* const builtin = shard.find_builtin(hash, entry.name, catalogue_);
    shard.inserted.insert_or_assign(hash, std::move(entry));
    // Only once the entry is stored: had storing it failed, the catalogue
    // entry would still be the one seen.
    if (builtin != nullptr && !builtin->replaced) {
        builtin->replaced = true;
        ++shard.replaced_count;
    }
}

std::size_t FormulasRegistry::len() const {
    std::size_t total = 0;
    for (const Shard& shard : shards()) {
        const std::shared_lock lock(shard.lock);
        total += shard.size();
    }
    return total;
}

template <class FromCatalogue, class FromInserted>
auto FormulasRegistry::read_entry(std::string_view name, FromCatalogue&& from_catalogue,
                                  FromInserted&& from_inserted) const {
    using Value = decltype(from_inserted(std::declval<const FormulaEntry&>()));
    if (shards_) {
        const std::uint64_t hash = keyed_hash(keys_, name);
        const Shard& shard = shard_for(hash);
        std::shared_lock lock(shard.lock);
        const BuiltinSlot* const builtin = shard.find_builtin(hash, name, catalogue_);
        if (builtin != nullptr && !builtin->replaced) {
            Value value = from_catalogue(builtin->record);
            lock.unlock();
            return Result<Value, RegistryError>(std::move(value));
        }
        if (const FormulaEntry* const found = shard.inserted.find(hash, name)) {
            Value value = from_inserted(*found);
            lock.unlock();
            return Result<Value, RegistryError>(std::move(value));
        }
    }
    return Result<Value, RegistryError>(not_found(name));
}

Result<FormulaEntry, RegistryError> FormulasRegistry::lookup(std::string_view name) const {
    return read_entry(
        name, [this](std::size_t record) { return catalogue_->entry(record); },
        [](const FormulaEntry& entry) { return entry; });
}

Result<double, RegistryError> FormulasRegistry::lookup_value(std::string_view name) const {
    return read_entry(
        name, [this](std::size_t record) { return catalogue_->records[record].value; },
        [](const FormulaEntry& entry) { return entry.value; });
}

std::vector<std::string> FormulasRegistry::names() const {
    // Views of the catalogue's keys stay good for the registry's life: the
    // block never moves and a replaced entry keeps its key. Each goes to its
    // place in byte order, known from the catalogue's layout. An inserted
    // entry's key moves when its table grows, so those keys are copied out
    // under their shard's lock, into one buffer, and viewed once the walk is
    // over and the buffer has stopped growing.
    std::array<std::string_view, BuiltinCatalogue::size> ranked{};
    std::size_t ranked_count = 0;
    std::string inserted_keys;
    std::vector<std::size_t> inserted_ends;

    // Hand over hand, in ascending shard order: the next shard's lock is taken
    // before the previous one is let go. Shared locks are only ever taken in
    // that order, and a writer holds a single lock, so no cycle can form.
    std::shared_lock<ShardLock> held;
    for (const Shard& shard : shards()) {
        std::shared_lock next(shard.lock);
        held = std::move(next);
        for (const BuiltinSlot& slot : shard.builtin_slots()) {
            if (!slot.replaced) {
                const EntryRecord& record = catalogue_->records[slot.record];
                ranked[record.rank] = catalogue_->text(record.key);
                ++ranked_count;
            }
        }
        shard.inserted.for_each_key([&](std::string_view key) {
            inserted_keys.append(key);
            inserted_ends.push_back(inserted_keys.size());
        });
    }
    if (held) {
        held.unlock();
    }

    // A key's view points into the image even when empty; an unset one is null.
    const auto listed = [](std::string_view key) { return key.data() != nullptr; };
    std::vector<std::string> sorted;
    if (inserted_ends.empty()) {
        sorted.reserve(ranked_count);
        for (const std::string_view key : ranked) {
            if (listed(key)) {
                sorted.emplace_back(key);
            }
        }
        return sorted;
    }

    // With inserted names among them, the names are sorted by comparison.
    // They are distinct, so any correct sort gives the order of a stable one.
    std::vector<std::string_view> views;
    views.reserve(ranked_count + inserted_ends.size());
    std::copy_if(ranked.begin(), ranked.end(), std::back_inserter(views), listed);
    std::size_t start = 0;
    for (const std::size_t end : inserted_ends) {
        views.emplace_back(inserted_keys.data() + start, end - start);
        start = end;
    }
    std::sort(views.begin(), views.end(), catalogue_layout::bytewise_less);
    sorted.reserve(views.size());
    sorted.assign(views.begin(), views.end());
    return sorted;
}

}  // namespace quorra::formulas
