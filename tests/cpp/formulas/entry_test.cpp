#include "formulas/entry.hpp"

#include <cstdint>
#include <string_view>

#include <gtest/gtest.h>

#include "expected_catalogue.hpp"

namespace {

using namespace std::literals;
using quorra::formulas::display_name;
using quorra::formulas::EntryStatus;
using quorra::formulas::FormulaEntry;

struct StatusName {
    EntryStatus status;
    std::uint8_t value;
    const char* name;
};

class EntryStatusNames : public testing::TestWithParam<StatusName> {};

TEST_P(EntryStatusNames, ValueAndDisplayNameMatchTheTable) {
    const StatusName row = GetParam();
    EXPECT_EQ(static_cast<std::uint8_t>(row.status), row.value);
    EXPECT_EQ(display_name(row.status), row.name);
}

INSTANTIATE_TEST_SUITE_P(AllStatuses, EntryStatusNames,
                         testing::Values(StatusName{EntryStatus::Seed, 0, "Seed"},
                                         StatusName{EntryStatus::Cached, 1, "Cached"},
                                         StatusName{EntryStatus::Pending, 2, "Pending"},
                                         StatusName{EntryStatus::External, 3, "External"}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(FormulaEntry, SeedCarriesItsValueAndNothingDerived) {
    EXPECT_EQ(FormulaEntry::seed("chi_eff", 72.0, "dimensionless"),
              formulas_test::expected_seed("chi_eff", 72.0, "dimensionless"));
}

TEST(FormulaEntry, DerivedIsPendingWithValueZeroAndKeepsItsFormula) {
    EXPECT_EQ(FormulaEntry::derived("topo_gen_check", "chi_eff / b3", "count", {"chi_eff", "b3"}),
              formulas_test::expected_derived("topo_gen_check", "chi_eff / b3", "count",
                                              {"chi_eff", "b3"}));
}

// Texts are taken with their lengths: NUL bytes inside them are kept.
TEST(FormulaEntry, TextsKeepEmbeddedNulBytes) {
    const FormulaEntry seed = FormulaEntry::seed("b3\0x"sv, 1.0, "u\0v"sv);
    EXPECT_EQ(seed.name, "b3\0x"s);
    EXPECT_EQ(seed.units, "u\0v"s);

    const FormulaEntry derived = FormulaEntry::derived("d\0"sv, "a\0b"sv, "count", {"a\0"s});
    EXPECT_EQ(derived.name, "d\0"s);
    EXPECT_EQ(derived.expression, "a\0b"s);
    EXPECT_EQ(derived.dependencies, std::vector<std::string>{"a\0"s});
}

}  // namespace
