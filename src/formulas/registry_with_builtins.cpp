// FormulasRegistry::with_builtins: copies the compile-time catalogue image
// (builtin_catalogue_data.cpp) into a new registry's block and places its
// entries by the registry's own hashes.

#include "formulas/builtin_catalogue.hpp"
#include "formulas/registry.hpp"
#include "formulas/shard.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <type_traits>

namespace quorra::formulas {

FormulasRegistry FormulasRegistry::with_builtins() {
    constexpr std::size_t count = BuiltinCatalogue::size;
    constexpr std::size_t slot_bytes = count * sizeof(BuiltinSlot);
    // The block is the shards, then the slots, then the image, each aligned
    // by the size of what comes before it.
    static_assert(sizeof(Shard) % alignof(BuiltinSlot) == 0);
    static_assert(slot_bytes % alignof(BuiltinCatalogue) == 0);
    static_assert(std::is_trivially_destructible_v<BuiltinSlot>);

    FormulasRegistry registry(TailBytes{slot_bytes + sizeof(BuiltinCatalogue)});
    std::byte* const tail = registry.block_tail();
    BuiltinSlot* const slots = static_cast<BuiltinSlot*>(static_cast<void*>(tail));
    const BuiltinCatalogue* const catalogue =
        ::new (static_cast<void*>(tail + slot_bytes)) BuiltinCatalogue(builtin_catalogue);
    registry.catalogue_ = catalogue;

    std::array<std::uint64_t, count> hashes;
    for (std::size_t i = 0; i < count; ++i) {
        hashes[i] = keyed_hash(registry.keys_, builtin_key_words[i]);
    }
    registry.sort_builtin_slots_into_shards(slots, hashes);
    return registry;
}

// A counting sort, stable, keyed by shard: count the entries of each shard;
// give each shard the range of slots that follows the previous shard's, its
// pointer at the range's end; then place the entries last first, each at its
// shard's pointer stepped back by one. Each pointer ends at the start of its
// range, and each range holds its shard's entries in catalogue order.
// The registry is still local to with_builtins, so nothing takes a lock.
void FormulasRegistry::sort_builtin_slots_into_shards(
    BuiltinSlot* slots, std::span<const std::uint64_t> hashes) noexcept {
    for (const std::uint64_t hash : hashes) {
        ++shard_for(hash).builtin_count;
    }
    BuiltinSlot* end = slots;
    for (Shard& shard : shards()) {
        end += shard.builtin_count;
        shard.builtins = end;
    }
    for (std::size_t i = hashes.size(); i-- > 0;) {
        Shard& shard = shard_for(hashes[i]);
        std::construct_at(--shard.builtins,
                          BuiltinSlot{hashes[i], static_cast<std::uint32_t>(i), false});
    }
}

}  // namespace quorra::formulas
