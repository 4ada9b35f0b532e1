#pragma once
// The hash table inside one registry shard. Every key carries the keyed hash
// of its bytes, computed once by the registry, which also picks the shard
// with it: the table itself never hashes a text, neither on insert nor on
// rehash, lookup or a walk along a bucket's chain.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "formulas/entry.hpp"

namespace quorra::formulas {

struct HashedName {
    std::string bytes;
    std::uint64_t hash = 0;
};

// A name to look up, without building a string.
struct HashedNameView {
    std::string_view bytes;
    std::uint64_t hash = 0;
};

struct StoredHash {
    using is_transparent = void;
    std::size_t operator()(const HashedName& name) const noexcept {
        return static_cast<std::size_t>(name.hash);
    }
    std::size_t operator()(const HashedNameView& name) const noexcept {
        return static_cast<std::size_t>(name.hash);
    }
};

// Names are equal when their bytes are; the stored hashes only make most
// mismatches cheap.
struct SameName {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const noexcept {
        return a.hash == b.hash && std::string_view(a.bytes) == std::string_view(b.bytes);
    }
};

using EntryTable = std::unordered_map<HashedName, FormulaEntry, StoredHash, SameName>;

}  // namespace quorra::formulas
