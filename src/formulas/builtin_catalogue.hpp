#pragma once
// The built-in catalogue: ten seed constants and seven derived entries whose
// formulas are recorded but never evaluated, as rows, and the type of their
// image (laid out by catalogue_image_layout.hpp; the image itself is in
// builtin_catalogue_data.cpp).

#include <array>
#include <cstddef>
#include <iterator>
#include <type_traits>

#include "formulas/catalogue_image_layout.hpp"
#include "support/keyed_hash.hpp"

namespace quorra::formulas {

// In catalogue order. Each value is the shortest decimal that reads back to
// the intended double: phi is (1 + sqrt 5) / 2 and gamma_em the
// Euler-Mascheroni constant, both rounded to double. The bare-number
// expressions are the shortest display texts of 246220.0, 70.0, -1.0 and
// 1776.86, whole numbers without a decimal point.
inline constexpr CatalogueRow builtin_rows[] = {
    CatalogueRow::seed("b3", 24.0, "dimensionless"),
    CatalogueRow::seed("chi_eff", 72.0, "dimensionless"),
    CatalogueRow::seed("n_gen", 3.0, "count"),
    CatalogueRow::seed("roots_total", 288.0, "count"),
    CatalogueRow::seed("visible_sector", 125.0, "count"),
    CatalogueRow::seed("sterile_sector", 163.0, "count"),
    CatalogueRow::seed("phi", 1.618033988749895, "dimensionless"),
    CatalogueRow::seed("gamma_em", 0.5772156649015329, "dimensionless"),
    CatalogueRow::seed("jc_constant", 153.0, "count"),
    CatalogueRow::seed("logic_closure", 288.0, "count"),
    CatalogueRow::derived("v_higgs_mev", "246220", "MeV", {}),
    CatalogueRow::derived("sterile_check", "roots_total - visible_sector", "count",
                          {"roots_total", "visible_sector"}),
    // The formula uses n_gen twice; it is one dependency.
    CatalogueRow::derived("n_gen_sq", "n_gen * n_gen", "count", {"n_gen"}),
    CatalogueRow::derived("h0_central", "70", "km/s/Mpc", {}),
    CatalogueRow::derived("w0_central", "-1", "dimensionless", {}),
    CatalogueRow::derived("m_tau_mev", "1776.86", "MeV", {}),
    CatalogueRow::derived("topo_gen_check", "chi_eff / b3", "count", {"chi_eff", "b3"}),
};

// A type of its own, which the registry's header can declare without all this.
struct BuiltinCatalogue
    : CatalogueImage<std::size(builtin_rows), catalogue_layout::dependency_count(builtin_rows),
                     catalogue_layout::text_bytes(builtin_rows)> {};

// A registry copies the image with memcpy and never destroys it.
static_assert(std::is_trivially_copyable_v<BuiltinCatalogue>);
static_assert(std::is_trivially_destructible_v<BuiltinCatalogue>);

// The words of each key that its hash reads, in catalogue order, so that a
// registry's hashes of its keys take only the mixing with its own keys.
inline constexpr std::array<TextWords, std::size(builtin_rows)> builtin_key_words = []() consteval {
    std::array<TextWords, std::size(builtin_rows)> words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = TextWords::of(builtin_rows[i].name);
    }
    return words;
}();

// Laid out at compile time, in builtin_catalogue_data.cpp: where its contents
// are not in sight, a copy is one memcpy instead of a store per field.
extern const BuiltinCatalogue builtin_catalogue;

}  // namespace quorra::formulas
