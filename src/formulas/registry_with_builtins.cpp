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

    // The registry is local until it is returned, so nothing takes a lock.
    // Each shard's slots follow those of the shard before it: counted first,
    // then each shard's pointer set to the end of its range and stepped back
    // as its entries are placed, last first, so that it ends at the start
    // and the slots are in catalogue order.
    std::array<std::uint64_t, count> hashes;
    for (std::size_t i = 0; i < count; ++i) {
        hashes[i] = keyed_hash(registry.keys_, builtin_key_words[i]);
        ++registry.shard_for(hashes[i]).builtin_count;
    }
    BuiltinSlot* end = slots;
    for (Shard& shard : registry.shards()) {
        end += shard.builtin_count;
        shard.builtins = end;
    }
    for (std::size_t i = count; i-- > 0;) {
        Shard& shard = registry.shard_for(hashes[i]);
        std::construct_at(--shard.builtins,
                          BuiltinSlot{hashes[i], static_cast<std::uint32_t>(i), false});
    }
    return registry;
}

}  // namespace quorra::formulas
