#include "flavour/ckm_matrix.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using quorra::flavour::CKMMatrix;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

CKMMatrix with_rows(std::array<double, 9> elements) {
    CKMMatrix m = CKMMatrix::from_topology();
    m.elements = elements;
    return m;
}

TEST(CKMMatrix, FromTopologyIsTheIdentityWithZeroInvariant) {
    const CKMMatrix m = CKMMatrix::from_topology();
    EXPECT_EQ(m.elements, (std::array<double, 9>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(m.jarlskog(), 0.0);
    EXPECT_FALSE(std::signbit(m.jarlskog()));
    EXPECT_EQ(m.reserved, 0.0);
}

struct ToleranceCase {
    double tol;
    bool expected;
};

class IdentityTolerance : public testing::TestWithParam<ToleranceCase> {};

TEST_P(IdentityTolerance, PassesExactlyForNonNegativeTolerances) {
    EXPECT_EQ(CKMMatrix::from_topology().is_unitary(GetParam().tol), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Tolerances, IdentityTolerance,
                         testing::Values(ToleranceCase{0.0, true}, ToleranceCase{-0.0, true},
                                         ToleranceCase{1e-300, true}, ToleranceCase{-1e-300, false},
                                         ToleranceCase{5e-324, true}, ToleranceCase{-5e-324, false},
                                         ToleranceCase{inf, true}, ToleranceCase{-inf, false},
                                         ToleranceCase{nan, false}));

TEST(CKMMatrix, RowsOfUnitLengthPassEvenWhenNotOrthogonal) {
    const CKMMatrix m = with_rows({1, 0, 0, 1, 0, 0, 0, 0, 1});
    EXPECT_TRUE(m.is_unitary(0.0));
}

TEST(CKMMatrix, LongRowNeedsToleranceOfItsDeviation) {
    const CKMMatrix m = with_rows({2, 0, 0, 0, 1, 0, 0, 0, 1});
    EXPECT_FALSE(m.is_unitary(2.9999999999999996));
    EXPECT_TRUE(m.is_unitary(3.0));
    EXPECT_TRUE(m.is_unitary(4.0));
}

TEST(CKMMatrix, LargestDeviationOfAnyRowDecides) {
    // Row norms 1.25, 0.5 and 1: deviations 0.25, 0.5, 0.
    const CKMMatrix m = with_rows({1, 0.5, 0, 0.5, 0.5, 0, 0, 0, 1});
    EXPECT_FALSE(m.is_unitary(0.25));
    EXPECT_FALSE(m.is_unitary(0.4999999999999999));
    EXPECT_TRUE(m.is_unitary(0.5));
}

TEST(CKMMatrix, NanDeviationNeverBecomesTheMaximum) {
    EXPECT_TRUE(with_rows({nan, 0, 0, 0, 1, 0, 0, 0, 1}).is_unitary(0.0));
    // The NaN row is skipped but the long row still counts.
    const CKMMatrix m = with_rows({nan, 0, 0, 2, 0, 0, 0, 0, 1});
    EXPECT_FALSE(m.is_unitary(2.0));
    EXPECT_TRUE(m.is_unitary(3.0));
}

TEST(CKMMatrix, InfiniteRowNeedsInfiniteTolerance) {
    const CKMMatrix m = with_rows({inf, 0, 0, 0, 1, 0, 0, 0, 1});
    EXPECT_FALSE(m.is_unitary(1e308));
    EXPECT_TRUE(m.is_unitary(inf));
}

TEST(CKMMatrix, SumsAreRoundedInTheWrittenOrder) {
    // With b = c = 5 * 2^-29, b*b = 0.78 * 2^-53 is below half an ulp of 1, so
    // (1 + b*b) + c*c rounds back to 1 twice and the deviation is 0. Adding
    // b*b + c*c first would exceed half an ulp and give 1 + 2^-52.
    const double b = std::ldexp(5.0, -29);
    const CKMMatrix m = with_rows({1, b, b, 0, 1, 0, 0, 0, 1});
    EXPECT_TRUE(m.is_unitary(0.0));
    ASSERT_EQ(1.0 + (b * b + b * b), 1.0 + std::ldexp(1.0, -52));
}

}  // namespace
