// The compile-time layout of catalogues: the built-in image against the
// catalogue written out field by field, and a catalogue of awkward texts.

#include "formulas/catalogue_image_layout.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "expected_catalogue.hpp"
#include "formulas/builtin_catalogue.hpp"

namespace {

using namespace std::literals;
using quorra::formulas::BuiltinCatalogue;
using quorra::formulas::builtin_catalogue;
using quorra::formulas::CatalogueImage;
using quorra::formulas::CatalogueRow;
using quorra::formulas::FormulaEntry;
namespace layout = quorra::formulas::catalogue_layout;

// The names in the order the ranks give.
template <class Image>
std::vector<std::string> names_by_rank(const Image& image) {
    std::vector<std::string> ranked(Image::size);
    for (std::size_t i = 0; i < Image::size; ++i) {
        const std::uint16_t rank = image.records[i].rank;
        EXPECT_LT(rank, Image::size);
        EXPECT_TRUE(ranked.at(rank).empty()) << "rank " << rank << " given twice";
        ranked.at(rank) = image.key(i);
    }
    return ranked;
}

TEST(BuiltinCatalogueImage, DecodesToTheCatalogueInOrder) {
    const std::vector<FormulaEntry> expected = formulas_test::expected_catalogue();
    ASSERT_EQ(BuiltinCatalogue::size, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const FormulaEntry entry = builtin_catalogue.entry(i);
        EXPECT_EQ(entry, expected[i]);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(entry.value),
                  std::bit_cast<std::uint64_t>(expected[i].value));
        EXPECT_EQ(builtin_catalogue.key(i), expected[i].name);
    }
}

// Names that are prefixes of one another, differ only past a NUL byte or in
// bytes above 0x7f; an empty expression, which is not an absent one; a name
// used as its own dependency; and the most dependencies a row can take.
constexpr CatalogueRow awkward_rows[] = {
    CatalogueRow::seed("ab", 1.5, "u"),
    CatalogueRow::seed("a", -0.0, ""),
    CatalogueRow::derived("a\0", "", "count", {}),
    CatalogueRow::derived("\xc3\xa9", "x", "MeV", {"\xc3\xa9", "a", "", "a\0"sv}),
    CatalogueRow::seed("B", 2.0, "count"),
    CatalogueRow::seed("", 3.0, "count"),
};

struct AwkwardImage
    : CatalogueImage<std::size(awkward_rows), layout::dependency_count(awkward_rows),
                     layout::text_bytes(awkward_rows)> {};
constexpr AwkwardImage awkward_image = layout::make_image<AwkwardImage>(awkward_rows);

std::vector<FormulaEntry> expected_awkward() {
    return {
        formulas_test::expected_seed("ab", 1.5, "u"),
        formulas_test::expected_seed("a", -0.0, ""),
        formulas_test::expected_derived("a\0"s, "", "count", {}),
        formulas_test::expected_derived("\xc3\xa9", "x", "MeV", {"\xc3\xa9", "a", "", "a\0"s}),
        formulas_test::expected_seed("B", 2.0, "count"),
        formulas_test::expected_seed("", 3.0, "count"),
    };
}

TEST(CatalogueImage, AwkwardTextsDecodeByteForByteAndRankInByteOrder) {
    const std::vector<FormulaEntry> expected = expected_awkward();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const FormulaEntry entry = awkward_image.entry(i);
        EXPECT_EQ(entry, expected[i]);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(entry.value),
                  std::bit_cast<std::uint64_t>(expected[i].value));
        EXPECT_EQ(awkward_image.key(i), expected[i].name);
    }
    EXPECT_TRUE(awkward_image.entry(2).expression.has_value());
    EXPECT_FALSE(awkward_image.entry(1).expression.has_value());
    // Unsigned bytes, a prefix first.
    EXPECT_EQ(names_by_rank(awkward_image),
              (std::vector<std::string>{"", "B", "a", "a\0"s, "ab", "\xc3\xa9"}));
}

}  // namespace
