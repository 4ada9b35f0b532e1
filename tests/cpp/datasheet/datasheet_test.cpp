#include "datasheet/datasheet.hpp"

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formulas/entry.hpp"
#include "formulas/registry.hpp"

namespace {

using quorra::datasheet::datasheet_json;
using quorra::datasheet::datasheet_object;
using quorra::formulas::EntryStatus;
using quorra::formulas::FormulaEntry;
using quorra::formulas::FormulasRegistry;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

FormulaEntry entry(std::string name, double value, std::string units,
                   std::optional<double> uncertainty, EntryStatus status) {
    FormulaEntry e;
    e.name = std::move(name);
    e.value = value;
    e.units = std::move(units);
    e.uncertainty = uncertainty;
    e.status = status;
    return e;
}

TEST(Datasheet, SeedWithoutUncertaintyIsTheExact85Bytes) {
    const std::string text =
        datasheet_json(entry("b3", 24.0, "dimensionless", std::nullopt, EntryStatus::Seed));
    EXPECT_EQ(
        text,
        R"({"name":"b3","status":"Seed","uncertainty":null,"units":"dimensionless","value":24.0})");
    EXPECT_EQ(text.size(), 85u);
    EXPECT_GE(text.capacity(), quorra::datasheet::datasheet_reserved_bytes);
}

// The buffer reserved up front holds the datasheet of every built-in entry,
// so writing one never grows it: the text keeps the capacity of the
// reservation.
TEST(Datasheet, EveryBuiltinDatasheetFitsTheReservedBuffer) {
    std::string reserved;
    reserved.reserve(quorra::datasheet::datasheet_reserved_bytes);
    const FormulasRegistry registry = FormulasRegistry::with_builtins();
    const std::vector<std::string> names = registry.names();
    ASSERT_EQ(names.size(), 17u);
    for (const std::string& name : names) {
        const std::string text = datasheet_json(registry.lookup(name).value());
        EXPECT_LE(text.size(), quorra::datasheet::datasheet_reserved_bytes) << text;
        EXPECT_EQ(text.capacity(), reserved.capacity()) << text;
    }
}

struct SheetCase {
    FormulaEntry entry;
    const char* text;
};

void PrintTo(const SheetCase& c, std::ostream* os) { *os << c.text; }

class DatasheetText : public testing::TestWithParam<SheetCase> {};

TEST_P(DatasheetText, IsWrittenInKeyOrder) {
    EXPECT_EQ(datasheet_json(GetParam().entry), GetParam().text);
}

// Writing the members straight into the buffer must give the bytes that the
// byte-ordered object gives.
TEST_P(DatasheetText, MatchesTheAssembledObject) {
    std::string from_object;
    datasheet_object(GetParam().entry).write(from_object);
    EXPECT_EQ(datasheet_json(GetParam().entry), from_object);
}

INSTANTIATE_TEST_SUITE_P(
    CatalogueShapes, DatasheetText,
    testing::Values(
        SheetCase{
            entry("gamma_em", 0.5772156649015329, "dimensionless", std::nullopt, EntryStatus::Seed),
            R"({"name":"gamma_em","status":"Seed","uncertainty":null,"units":"dimensionless","value":0.5772156649015329})"},
        SheetCase{
            entry("n_gen_sq", 0.0, "count", std::nullopt, EntryStatus::Pending),
            R"({"name":"n_gen_sq","status":"Pending","uncertainty":null,"units":"count","value":0.0})"},
        SheetCase{
            entry("h0_central", 0.0, "km/s/Mpc", std::nullopt, EntryStatus::Pending),
            R"({"name":"h0_central","status":"Pending","uncertainty":null,"units":"km/s/Mpc","value":0.0})"}));

INSTANTIATE_TEST_SUITE_P(
    StatusNames, DatasheetText,
    testing::Values(
        SheetCase{entry("c", 1.0, "u", std::nullopt, EntryStatus::Cached),
                  R"({"name":"c","status":"Cached","uncertainty":null,"units":"u","value":1.0})"},
        SheetCase{
            entry("e", 1.0, "u", std::nullopt, EntryStatus::External),
            R"({"name":"e","status":"External","uncertainty":null,"units":"u","value":1.0})"}));

// An uncertainty is a number; NaN and infinities in either number become null.
INSTANTIATE_TEST_SUITE_P(
    Numbers, DatasheetText,
    testing::Values(
        SheetCase{
            entry("m", 1776.86, "MeV", 0.12, EntryStatus::Seed),
            R"({"name":"m","status":"Seed","uncertainty":0.12,"units":"MeV","value":1776.86})"},
        SheetCase{entry("m", -1e16, "MeV", 0.0, EntryStatus::Seed),
                  R"({"name":"m","status":"Seed","uncertainty":0.0,"units":"MeV","value":-1e+16})"},
        SheetCase{
            entry("m", nan, "MeV", inf, EntryStatus::Cached),
            R"({"name":"m","status":"Cached","uncertainty":null,"units":"MeV","value":null})"},
        SheetCase{
            entry("m", -inf, "MeV", nan, EntryStatus::Cached),
            R"({"name":"m","status":"Cached","uncertainty":null,"units":"MeV","value":null})"}));

// Name and units go through the string writer; the other fields of the entry
// never show.
INSTANTIATE_TEST_SUITE_P(
    Texts, DatasheetText,
    testing::Values(
        SheetCase{entry("", 2.0, "", std::nullopt, EntryStatus::Seed),
                  R"({"name":"","status":"Seed","uncertainty":null,"units":"","value":2.0})"},
        SheetCase{entry("a\"b\\c\td", 2.0, "\xc2\xb5m\x1b", std::nullopt, EntryStatus::Seed),
                  "{\"name\":\"a\\\"b\\\\c\\td\",\"status\":\"Seed\",\"uncertainty\":null,"
                  "\"units\":\"\xc2\xb5m\\u001b\",\"value\":2.0}"}));

TEST(Datasheet, ExpressionAndDependenciesAreNotMembers) {
    FormulaEntry derived = entry("n_gen_sq", 0.0, "count", std::nullopt, EntryStatus::Pending);
    derived.expression = "n_gen * n_gen";
    derived.dependencies = {"n_gen"};
    EXPECT_EQ(
        datasheet_json(derived),
        R"({"name":"n_gen_sq","status":"Pending","uncertainty":null,"units":"count","value":0.0})");
}

}  // namespace
