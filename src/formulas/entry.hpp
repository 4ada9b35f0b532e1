#pragma once
// One named number of the formulas registry: a seed constant, or a derived
// entry whose formula is recorded but never evaluated.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorra::formulas {

enum class EntryStatus : std::uint8_t { Seed = 0, Cached = 1, Pending = 2, External = 3 };

// "Seed", "Cached", "Pending" or "External".
std::string_view display_name(EntryStatus status) noexcept;

struct FormulaEntry {
    std::string name;
    double value = 0.0;
    std::string units;
    std::optional<double> uncertainty;
    EntryStatus status = EntryStatus::Seed;
    std::optional<std::string> expression;
    std::vector<std::string> dependencies;

    static FormulaEntry seed(std::string_view name, double value, std::string_view units);
    static FormulaEntry derived(std::string_view name, std::string_view expression,
                                std::string_view units, std::vector<std::string> dependencies);

    friend bool operator==(const FormulaEntry&, const FormulaEntry&) = default;
};

}  // namespace quorra::formulas
