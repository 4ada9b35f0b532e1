// The built-in catalogue: ten seed constants and seven derived entries whose
// formulas are recorded but never evaluated.

#include "formulas/registry.hpp"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
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

// The names a formula uses, copied straight from the literals: a braced list
// of std::string would build each name once and copy it into the vector again.
std::vector<std::string> uses(std::initializer_list<std::string_view> names) {
    return {names.begin(), names.end()};
}

}  // namespace

FormulasRegistry FormulasRegistry::with_builtins() {
    FormulasRegistry registry;
    // The registry is local until it is returned, so no insert needs a lock.
    // Each entry is built once and moved once, into its slot.
    const auto add = [&registry](FormulaEntry&& entry) {
        registry.insert_unshared(std::move(entry));
    };
    for (const SeedRow& row : seed_rows) {
        add(FormulaEntry::seed(row.name, row.value, row.units));
    }
    // The bare-number expressions are the shortest display texts of
    // 246220.0, 70.0, -1.0 and 1776.86, whole numbers without a decimal point.
    add(FormulaEntry::derived("v_higgs_mev", "246220", "MeV", {}));
    add(FormulaEntry::derived("sterile_check", "roots_total - visible_sector", "count",
                              uses({"roots_total", "visible_sector"})));
    // The formula uses n_gen twice; it is one dependency.
    add(FormulaEntry::derived("n_gen_sq", "n_gen * n_gen", "count", uses({"n_gen"})));
    add(FormulaEntry::derived("h0_central", "70", "km/s/Mpc", {}));
    add(FormulaEntry::derived("w0_central", "-1", "dimensionless", {}));
    add(FormulaEntry::derived("m_tau_mev", "1776.86", "MeV", {}));
    add(FormulaEntry::derived("topo_gen_check", "chi_eff / b3", "count",
                              uses({"chi_eff", "b3"})));
    return registry;
}

}  // namespace quorra::formulas
