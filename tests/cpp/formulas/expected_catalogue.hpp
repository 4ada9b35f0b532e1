#pragma once
// The built-in catalogue written out field by field, for tests to compare the
// registry against, and a printer so that failures show entries readably.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "formulas/entry.hpp"

namespace quorra::formulas {

inline void PrintTo(const FormulaEntry& entry, std::ostream* out) {
    *out << "{name=\"" << entry.name << "\" value=" << entry.value << " units=\"" << entry.units
         << "\" uncertainty=";
    if (entry.uncertainty) {
        *out << *entry.uncertainty;
    } else {
        *out << "none";
    }
    *out << " status=" << display_name(entry.status) << " expression=";
    if (entry.expression) {
        *out << '"' << *entry.expression << '"';
    } else {
        *out << "none";
    }
    *out << " dependencies=[";
    for (const std::string& dependency : entry.dependencies) {
        *out << '"' << dependency << "\" ";
    }
    *out << "]}";
}

}  // namespace quorra::formulas

namespace formulas_test {

using quorra::formulas::EntryStatus;
using quorra::formulas::FormulaEntry;

inline FormulaEntry expected_seed(std::string name, double value, std::string units) {
    return {.name = std::move(name),
            .value = value,
            .units = std::move(units),
            .uncertainty = std::nullopt,
            .status = EntryStatus::Seed,
            .expression = std::nullopt,
            .dependencies = {}};
}

inline FormulaEntry expected_derived(std::string name, std::string expression, std::string units,
                                     std::vector<std::string> dependencies) {
    return {.name = std::move(name),
            .value = 0.0,
            .units = std::move(units),
            .uncertainty = std::nullopt,
            .status = EntryStatus::Pending,
            .expression = std::move(expression),
            .dependencies = std::move(dependencies)};
}

// In catalogue order: ten seeds, then seven derived entries.
inline std::vector<FormulaEntry> expected_catalogue() {
    return {
        expected_seed("b3", 24.0, "dimensionless"),
        expected_seed("chi_eff", 72.0, "dimensionless"),
        expected_seed("n_gen", 3.0, "count"),
        expected_seed("roots_total", 288.0, "count"),
        expected_seed("visible_sector", 125.0, "count"),
        expected_seed("sterile_sector", 163.0, "count"),
        expected_seed("phi", 1.618033988749895, "dimensionless"),
        expected_seed("gamma_em", 0.5772156649015329, "dimensionless"),
        expected_seed("jc_constant", 153.0, "count"),
        expected_seed("logic_closure", 288.0, "count"),
        expected_derived("v_higgs_mev", "246220", "MeV", {}),
        expected_derived("sterile_check", "roots_total - visible_sector", "count",
                         {"roots_total", "visible_sector"}),
        expected_derived("n_gen_sq", "n_gen * n_gen", "count", {"n_gen"}),
        expected_derived("h0_central", "70", "km/s/Mpc", {}),
        expected_derived("w0_central", "-1", "dimensionless", {}),
        expected_derived("m_tau_mev", "1776.86", "MeV", {}),
        expected_derived("topo_gen_check", "chi_eff / b3", "count", {"chi_eff", "b3"}),
    };
}

// Every catalogue name in unsigned byte order.
inline const std::vector<std::string>& sorted_catalogue_names() {
    static const std::vector<std::string> names = {
        "b3",
        "chi_eff",
        "gamma_em",
        "h0_central",
        "jc_constant",
        "logic_closure",
        "m_tau_mev",
        "n_gen",
        "n_gen_sq",
        "phi",
        "roots_total",
        "sterile_check",
        "sterile_sector",
        "topo_gen_check",
        "v_higgs_mev",
        "visible_sector",
        "w0_central",
    };
    return names;
}

}  // namespace formulas_test
