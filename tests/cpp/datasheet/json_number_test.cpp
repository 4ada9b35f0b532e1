#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "datasheet/json_writer.hpp"

namespace {

using quorra::datasheet::write_json_number;

std::string number_text(double value) {
    std::string out;
    write_json_number(out, value);
    return out;
}

struct NumberCase {
    double value;
    const char* text;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.text; }

// Each case is checked as written and mirrored: the negative value must give
// the same text after a leading "-".
class NumberLayout : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberLayout, PositiveValueAndItsNegativeMirror) {
    const NumberCase c = GetParam();
    EXPECT_EQ(number_text(c.value), c.text);
    EXPECT_EQ(number_text(-c.value), std::string("-") + c.text);
}

INSTANTIATE_TEST_SUITE_P(Zero, NumberLayout, testing::Values(NumberCase{0.0, "0.0"}));

// Whole numbers keep a ".0" so a reader always sees a float.
INSTANTIATE_TEST_SUITE_P(WholeNumbers, NumberLayout,
                         testing::Values(NumberCase{1.0, "1.0"}, NumberCase{3.0, "3.0"},
                                         NumberCase{24.0, "24.0"}, NumberCase{288.0, "288.0"},
                                         NumberCase{1e5, "100000.0"},
                                         NumberCase{9007199254740992.0, "9007199254740992.0"},
                                         NumberCase{9007199254740994.0, "9007199254740994.0"},
                                         NumberCase{9999999999999998.0, "9999999999999998.0"},
                                         NumberCase{1e15, "1000000000000000.0"},
                                         NumberCase{1.5e15, "1500000000000000.0"}));

// The point falls inside the digits, or before them after up to four zeros.
INSTANTIATE_TEST_SUITE_P(
    Fractions, NumberLayout,
    testing::Values(NumberCase{1.618033988749895, "1.618033988749895"},
                    NumberCase{0.5772156649015329, "0.5772156649015329"},
                    NumberCase{0.1 + 0.2, "0.30000000000000004"},
                    NumberCase{12345.678, "12345.678"}, NumberCase{0.5, "0.5"},
                    NumberCase{123456789012345.6, "123456789012345.6"},
                    NumberCase{0.00001, "0.00001"}, NumberCase{0.000015, "0.000015"},
                    NumberCase{9.999999999999999e-5, "0.00009999999999999999"},
                    NumberCase{1.2345678901234568e-5, "0.000012345678901234568"}));

// Exponents below -5 or above 15; the exponent has a sign and no leading zero.
INSTANTIATE_TEST_SUITE_P(
    Scientific, NumberLayout,
    testing::Values(NumberCase{1e16, "1e+16"}, NumberCase{1.5e16, "1.5e+16"},
                    NumberCase{123456789012345680.0, "1.2345678901234568e+17"},
                    NumberCase{6.02214076e23, "6.02214076e+23"}, NumberCase{1e100, "1e+100"},
                    NumberCase{0.000001, "1e-6"}, NumberCase{0.0000015, "1.5e-6"},
                    NumberCase{1.5e-7, "1.5e-7"},
                    NumberCase{9.999999999999999e-6, "9.999999999999999e-6"},
                    NumberCase{std::numeric_limits<double>::max(), "1.7976931348623157e+308"},
                    NumberCase{std::numeric_limits<double>::min(), "2.2250738585072014e-308"},
                    NumberCase{std::numeric_limits<double>::denorm_min(), "5e-324"},
                    NumberCase{1e-323, "1e-323"}));

TEST(JsonNumber, NonFiniteValuesAreNull) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(number_text(inf), "null");
    EXPECT_EQ(number_text(-inf), "null");
    EXPECT_EQ(number_text(nan), "null");
    EXPECT_EQ(number_text(-nan), "null");
}

TEST(JsonNumber, AppendsToWhatIsAlreadyWritten) {
    std::string out = "[";
    write_json_number(out, 24.0);
    out += ',';
    write_json_number(out, -1e-7);
    EXPECT_EQ(out, "[24.0,-1e-7");
}

}  // namespace
