#include "formulas/entry.hpp"

#include <array>
#include <cstddef>
#include <utility>

namespace quorra::formulas {
namespace {

// Indexed by the enumerator's value.
constexpr std::array<std::string_view, 4> status_names = {"Seed", "Cached", "Pending", "External"};

}  // namespace

std::string_view display_name(EntryStatus status) noexcept {
    return status_names[static_cast<std::size_t>(status)];
}

FormulaEntry FormulaEntry::seed(std::string_view name, double value, std::string_view units) {
    FormulaEntry entry;
    entry.name = name;
    entry.value = value;
    entry.units = units;
    entry.status = EntryStatus::Seed;
    return entry;
}

// The value stays 0.0: no formula is ever evaluated.
FormulaEntry FormulaEntry::derived(std::string_view name, std::string_view expression,
                                   std::string_view units, std::vector<std::string> dependencies) {
    FormulaEntry entry;
    entry.name = name;
    entry.units = units;
    entry.status = EntryStatus::Pending;
    entry.expression.emplace(expression);
    entry.dependencies = std::move(dependencies);
    return entry;
}

}  // namespace quorra::formulas
