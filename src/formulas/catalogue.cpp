// The built-in catalogue: ten seed constants and seven derived entries whose
// formulas are recorded but never evaluated.

#include "formulas/registry.hpp"
#include "formulas/shard.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorra::formulas {
namespace {

struct SeedRow {
    std::string_view name;
    double value;
    std::string_view units;
};

// Each value is the shortest decimal that reads back to the intended double:
// phi is (1 + sqrt 5) / 2 and gamma_em the Euler-Mascheroni constant, both
// rounded to double.
constexpr SeedRow seed_rows[] = {
    {"b3", 24.0, "dimensionless"},
    {"chi_eff", 72.0, "dimensionless"},
    {"n_gen", 3.0, "count"},
    {"roots_total", 288.0, "count"},
    {"visible_sector", 125.0, "count"},
    {"sterile_sector", 163.0, "count"},
    {"phi", 1.618033988749895, "dimensionless"},
    {"gamma_em", 0.5772156649015329, "dimensionless"},
    {"jc_constant", 153.0, "count"},
    {"logic_closure", 288.0, "count"},
};

// Calls add(name, make_entry) for each built-in entry, in catalogue order,
// where make_entry() builds the entry of that name.
template <class Add>
constexpr void for_each_builtin(Add&& add) {
    for (const SeedRow& row : seed_rows) {
        add(row.name, [&row] { return FormulaEntry::seed(row.name, row.value, row.units); });
    }
    // The names a formula uses are copied straight from the literals: a
    // braced list of std::string would build each one and copy it again.
    const auto add_derived = [&add](std::string_view name, std::string_view expression,
                                    std::string_view units,
                                    std::initializer_list<std::string_view> uses) {
        add(name, [=] {
            return FormulaEntry::derived(name, expression, units,
                                         std::vector<std::string>(uses.begin(), uses.end()));
        });
    };
    // The bare-number expressions are the shortest display texts of
    // 246220.0, 70.0, -1.0 and 1776.86, whole numbers without a decimal point.
    add_derived("v_higgs_mev", "246220", "MeV", {});
    add_derived("sterile_check", "roots_total - visible_sector", "count",
                {"roots_total", "visible_sector"});
    // The formula uses n_gen twice; it is one dependency.
    add_derived("n_gen_sq", "n_gen * n_gen", "count", {"n_gen"});
    add_derived("h0_central", "70", "km/s/Mpc", {});
    add_derived("w0_central", "-1", "dimensionless", {});
    add_derived("m_tau_mev", "1776.86", "MeV", {});
    add_derived("topo_gen_check", "chi_eff / b3", "count", {"chi_eff", "b3"});
}

// Counted by the same walk, so the two cannot disagree.
constexpr std::size_t builtin_count = [] {
    std::size_t count = 0;
    for_each_builtin([&count](std::string_view, const auto&) { ++count; });
    return count;
}();

}  // namespace

FormulasRegistry FormulasRegistry::with_builtins() {
    FormulasRegistry registry;
    // The registry is local until it is returned, so nothing takes a lock.
    //
    // Each name is hashed once, and the hashes first size every shard's table
    // for the entries it will hold, so that a non-empty shard allocates once,
    // no table grows, and the inserts make no decision about memory. With
    // fresh keys per registry, which shards the names fall into changes every
    // time, so such decisions are branches the processor cannot learn; their
    // mispredictions cost more than this extra pass over the names.
    std::array<std::uint64_t, builtin_count> hashes;
    std::size_t next = 0;
    for_each_builtin([&](std::string_view name, const auto&) {
        hashes[next++] = keyed_hash(registry.keys_, name);
    });
    registry.reserve_unshared(hashes);

    // Each entry is built once, in its slot.
    next = 0;
    for_each_builtin([&](std::string_view name, auto&& make_entry) {
        registry.emplace_unshared(hashes[next++], name, make_entry);
    });
    return registry;
}

}  // namespace quorra::formulas
