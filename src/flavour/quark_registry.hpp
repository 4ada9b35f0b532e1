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
#include "support/keyed_table.hpp"

namespace quorra::flavour {

struct Quark {
    std::string name;
    std::unordered_map<std::string, double> attributes;  // unused, always empty
    double mass_mev = 0.0;
    double mass_ratio = 0.0;  // mass_mev / v
    std::int32_t phi_exponent = 0;
    std::uint8_t generation = 0;
};

// A hash map from name to Quark with keys of its own (a KeyedTable: slots,
// then the records with their keys, in one allocation). py_list_quarks
// builds one on every call, so the standard-model table is placed in a
// single allocation sized for it up front; the table grows only when inserts
// outgrow it.
class QuarkRegistry {
public:
    // An empty registry, which allocates nothing until its first insert.
    QuarkRegistry() noexcept;

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
    KeyedTable<Quark> quarks_;
    HashKeys keys_;
};

}  // namespace quorra::flavour
