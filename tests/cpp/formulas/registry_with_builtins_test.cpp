// FormulasRegistry::with_builtins: the registry holds the built-in catalogue,
// entry by entry.

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected_catalogue.hpp"
#include "formulas/registry.hpp"

namespace {

using quorra::formulas::EntryStatus;
using quorra::formulas::FormulaEntry;
using quorra::formulas::FormulasRegistry;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

FormulaEntry builtin(std::string_view name) {
    auto found = FormulasRegistry::with_builtins().lookup(name);
    if (!found.ok()) {
        ADD_FAILURE() << "no builtin entry " << name;
        return {};
    }
    return std::move(found).value();
}

class BuiltinEntry : public testing::TestWithParam<FormulaEntry> {};

// Every field, texts and dependency list included; values bit for bit, so
// that neither a rounded decimal nor -0.0 for a derived entry would pass.
TEST_P(BuiltinEntry, IsStoredExactlyAsCatalogued) {
    const FormulaEntry& expected = GetParam();
    const FormulaEntry entry = builtin(expected.name);
    EXPECT_EQ(entry, expected);
    EXPECT_EQ(bits(entry.value), bits(expected.value));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BuiltinEntry,
                         testing::ValuesIn(formulas_test::expected_catalogue()),
                         [](const auto& test) { return test.param.name; });

TEST(Catalogue, IrrationalSeedsAreTheNearestDoubles) {
    EXPECT_EQ(bits(builtin("phi").value), bits((1.0 + std::sqrt(5.0)) / 2.0));
    EXPECT_EQ(bits(builtin("phi").value), bits(std::numbers::phi));
    EXPECT_EQ(bits(builtin("gamma_em").value), bits(std::numbers::egamma));
}

// The bare-number formulas are the shortest round-trip texts of these doubles.
TEST(Catalogue, BareNumberExpressionsAreShortestDisplayTexts) {
    const std::pair<const char*, double> rows[] = {{"v_higgs_mev", 246220.0},
                                                   {"h0_central", 70.0},
                                                   {"w0_central", -1.0},
                                                   {"m_tau_mev", 1776.86}};
    for (const auto& [name, number] : rows) {
        char text[32];
        const auto written = std::to_chars(std::begin(text), std::end(text), number);
        ASSERT_EQ(written.ec, std::errc());
        const FormulaEntry entry = builtin(name);
        EXPECT_EQ(entry.expression, std::string(text, written.ptr)) << name;
        EXPECT_TRUE(entry.dependencies.empty()) << name;
    }
}

TEST(Catalogue, HoldsSeventeenEntriesListedInByteOrder) {
    const FormulasRegistry registry = FormulasRegistry::with_builtins();
    EXPECT_EQ(registry.len(), 17u);
    EXPECT_EQ(registry.names(), formulas_test::sorted_catalogue_names());
}

// Seeds carry no formula; derived entries carry one, are unevaluated, and
// depend only on seeds of the same registry.
TEST(Catalogue, EntriesSatisfyTheSeedAndDerivedInvariants) {
    const FormulasRegistry registry = FormulasRegistry::with_builtins();
    for (const std::string& name : registry.names()) {
        SCOPED_TRACE(name);
        auto found = registry.lookup(name);
        ASSERT_TRUE(found.ok());
        const FormulaEntry& entry = found.value();
        EXPECT_EQ(entry.name, name);
        EXPECT_FALSE(entry.uncertainty.has_value());
        if (entry.status == EntryStatus::Seed) {
            EXPECT_FALSE(entry.expression.has_value());
            EXPECT_TRUE(entry.dependencies.empty());
            continue;
        }
        ASSERT_EQ(entry.status, EntryStatus::Pending);
        EXPECT_EQ(bits(entry.value), bits(0.0));
        EXPECT_TRUE(entry.expression.has_value());
        for (const std::string& dependency : entry.dependencies) {
            auto used = registry.lookup(dependency);
            ASSERT_TRUE(used.ok()) << dependency;
            EXPECT_EQ(used.value().status, EntryStatus::Seed) << dependency;
        }
    }
}

TEST(Catalogue, RegistriesBuiltOneAfterAnotherHoldEqualEntries) {
    const FormulasRegistry first = FormulasRegistry::with_builtins();
    const FormulasRegistry second = FormulasRegistry::with_builtins();
    ASSERT_EQ(first.names(), second.names());
    for (const std::string& name : first.names()) {
        EXPECT_EQ(first.lookup(name).value(), second.lookup(name).value()) << name;
    }
}

}  // namespace
