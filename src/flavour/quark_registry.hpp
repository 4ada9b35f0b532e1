#pragma once
// The six Standard-Model quarks, with masses on a golden-ratio ladder below
// the electroweak scale.

#include <cstddef>
#include <cstdint>
#include <string>
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

class QuarkRegistry {
public:
    // An empty registry.
    QuarkRegistry() = default;

    // A registry holding the six quarks of the standard-model table.
    static QuarkRegistry standard_model();

    // Stores the quark under a copy of its name, replacing one of that name.
    void insert(Quark quark);
    std::size_t len() const noexcept;
    // Every name, sorted by unsigned byte comparison, a prefix first.
    std::vector<std::string> names() const;

    const Quark* find(std::string_view name) const;

private:
    std::unordered_map<std::string, Quark, KeyedStringHash, BytewiseEqual> quarks_;
};

}  // namespace quorra::flavour
