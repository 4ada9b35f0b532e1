// Checks the number writer against two independent references over well
// over a million doubles: std::from_chars must read every text back to the
// identical double, and glibc's exactly rounded snprintf("%.*e") must agree
// that the digits are the nearest of their length and that no shorter
// significand reads back.

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "datasheet/json_writer.hpp"

namespace {

using quorra::datasheet::write_json_number;

// A decimal significand as an integer and the power of ten it is scaled by.
struct Decimal {
    std::string digits;  // d1 ... dn
    int exponent = 0;    // decimal exponent of d1
};

bool same_double(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::optional<double> parse_whole(std::string_view text) {
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return parsed;
}

// A number text that this test made; one that does not read fails the test
// (through the exception) rather than yielding garbage.
double parse_made(std::string_view text) {
    const std::optional<double> parsed = parse_whole(text);
    if (!parsed) {
        throw std::invalid_argument("made an unreadable number: " + std::string(text));
    }
    return *parsed;
}

bool all_digits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// Reads the significand digits and exponent back out of a written number,
// checking its layout on the way; returns the reason when it is malformed.
std::optional<std::string> decompose(std::string_view text, Decimal& out) {
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    if (e != std::string_view::npos) {
        const std::string_view mantissa = text.substr(0, e);
        const std::string_view exponent = text.substr(e + 1);
        if (mantissa.empty() || mantissa[0] < '1' || mantissa[0] > '9') {
            return "scientific significand must start with a digit 1-9";
        }
        out.digits.assign(1, mantissa[0]);
        if (mantissa.size() > 1) {
            const std::string_view fraction = mantissa.substr(2);
            if (mantissa[1] != '.' || !all_digits(fraction) || fraction.back() == '0') {
                return "scientific fraction must be digits without a trailing zero";
            }
            out.digits.append(fraction);
        }
        if (exponent.size() < 2 || (exponent[0] != '+' && exponent[0] != '-') ||
            !all_digits(exponent.substr(1)) || exponent[1] == '0') {
            return "exponent must be signed without leading zeros";
        }
        int magnitude = 0;
        std::from_chars(exponent.data() + 1, exponent.data() + exponent.size(), magnitude);
        out.exponent = exponent[0] == '-' ? -magnitude : magnitude;
        if (out.exponent >= -5 && out.exponent <= 15) {
            return "scientific notation for an exponent of the plain range";
        }
        return std::nullopt;
    }
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) {
        return "neither a point nor an exponent";
    }
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = text.substr(point + 1);
    if (!all_digits(whole) || !all_digits(fraction) || (whole.size() > 1 && whole[0] == '0')) {
        return "plain number must be digits.digits without leading zeros";
    }
    if (whole == "0") {
        const std::size_t zeros = fraction.find_first_not_of('0');
        if (zeros == std::string_view::npos || fraction.back() == '0') {
            return "fraction below one must end in a non-zero digit";
        }
        out.digits = fraction.substr(zeros);
        out.exponent = -static_cast<int>(zeros) - 1;
    } else {
        if (fraction != "0" && fraction.back() == '0') {
            return "trailing zero after the point";
        }
        out.digits = whole;
        if (fraction != "0") {
            out.digits.append(fraction);
        }
        out.digits.erase(out.digits.find_last_not_of('0') + 1);
        out.exponent = static_cast<int>(whole.size()) - 1;
    }
    if (out.exponent < -5 || out.exponent > 15) {
        return "plain notation outside the plain range";
    }
    return std::nullopt;
}

// The magnitude exactly rounded to `count` significant digits.
Decimal rounded(double magnitude, int count) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", count - 1, magnitude);
    const std::string_view text(buffer);
    const std::size_t e = text.find('e');
    Decimal d;
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            d.digits.push_back(c);
        }
    }
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    d.exponent);
    return d;
}

// d is a significand of n digits; reads back d + step units of its last place
// with glibc's exactly rounded strtod. One unit above the largest double's
// nearest digits is past the largest double, and reads as infinity.
double read_with_step(const Decimal& d, int step) {
    std::uint64_t significand = 0;
    std::from_chars(d.digits.data(), d.digits.data() + d.digits.size(), significand);
    significand += static_cast<std::uint64_t>(static_cast<std::int64_t>(step));
    const int scale = d.exponent - static_cast<int>(d.digits.size()) + 1;
    const std::string text = std::to_string(significand) + 'e' + std::to_string(scale);
    return std::strtod(text.c_str(), nullptr);
}

struct OracleTally {
    std::size_t checked = 0;
    std::size_t failures = 0;
    std::size_t nearest_missed_boundary = 0;  // see check_digits
    std::vector<std::string> examples;

    void merge(const OracleTally& other) {
        checked += other.checked;
        failures += other.failures;
        nearest_missed_boundary += other.nearest_missed_boundary;
        for (const std::string& example : other.examples) {
            if (examples.size() < 10) {
                examples.push_back(example);
            }
        }
    }

    void fail(double value, const std::string& text, const std::string& why) {
        ++failures;
        if (examples.size() < 10) {
            char hex[32];
            std::snprintf(hex, sizeof hex, "%016llx",
                          static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
            examples.push_back(std::string(hex) + " -> \"" + text + "\": " + why);
        }
    }
};

// The digits must be the nearest n-digit decimal, and no (n-1)-digit decimal
// near the value may read back to it. Just above a power of two the gap
// below is half the gap above, so the nearest n-digit decimal can fall
// outside the lower gap while the next one up still reads back; then that one
// is the answer, and it is counted.
void check_digits(double value, const std::string& text, const Decimal& written,
                  OracleTally& tally) {
    const double magnitude = std::fabs(value);
    const int n = static_cast<int>(written.digits.size());
    const Decimal nearest = rounded(magnitude, n);
    if (nearest.digits != written.digits || nearest.exponent != written.exponent) {
        const bool nearest_reads_back = same_double(read_with_step(nearest, 0), magnitude);
        const bool written_is_next = same_double(read_with_step(nearest, 1), magnitude) ||
                                     same_double(read_with_step(nearest, -1), magnitude);
        if (nearest_reads_back || !written_is_next) {
            tally.fail(value, text,
                       "not the nearest decimal of its length (" + nearest.digits + "e" +
                           std::to_string(nearest.exponent) + ")");
            return;
        }
        ++tally.nearest_missed_boundary;
    }
    if (n >= 2) {
        const Decimal shorter = rounded(magnitude, n - 1);
        for (const int step : {-1, 0, 1}) {
            if (same_double(read_with_step(shorter, step), magnitude)) {
                tally.fail(value, text, "a shorter significand reads back");
                return;
            }
        }
    }
}

void check_number(double value, OracleTally& tally) {
    ++tally.checked;
    std::string text;
    write_json_number(text, value);
    if (!std::isfinite(value)) {
        if (text != "null") {
            tally.fail(value, text, "non-finite value not written as null");
        }
        return;
    }
    const std::optional<double> parsed = parse_whole(text);
    if (!parsed || !same_double(*parsed, value)) {
        tally.fail(value, text, "does not read back to the same double");
        return;
    }
    if (value == 0.0) {
        if (text != (std::signbit(value) ? "-0.0" : "0.0")) {
            tally.fail(value, text, "zero");
        }
        return;
    }
    Decimal written;
    if (const auto why = decompose(text, written)) {
        tally.fail(value, text, *why);
        return;
    }
    check_digits(value, text, written, tally);
}

// Each value below is checked as given and negated.
std::vector<double> oracle_values() {
    std::vector<double> values;
    std::mt19937_64 bits(0x5eed'da7a'5eedULL);
    constexpr std::uint64_t significand_mask = (std::uint64_t{1} << 52) - 1;

    // Arbitrary bit patterns: every exponent equally likely, NaN and
    // infinities included.
    for (int i = 0; i < 450'000; ++i) {
        values.push_back(std::bit_cast<double>(bits()));
    }
    // Subnormals.
    for (int i = 0; i < 50'000; ++i) {
        values.push_back(std::bit_cast<double>(bits() & significand_mask));
    }
    // Short decimals m * 10^k with 1 to 17 digits, whose digits, whole-number
    // zeros and exponents straddle the plain range.
    std::uniform_int_distribution<int> digit_count(1, 17);
    std::uniform_int_distribution<int> lead_exponent(-12, 22);
    for (int i = 0; i < 150'000; ++i) {
        const int n = digit_count(bits);
        std::uint64_t pow10 = 1;
        for (int k = 1; k < n; ++k) {
            pow10 *= 10;
        }
        const std::uint64_t significand = pow10 + bits() % (9 * pow10);
        const int scale = lead_exponent(bits) - n + 1;
        values.push_back(parse_made(std::to_string(significand) + 'e' + std::to_string(scale)));
    }
    // Each power of ten and power of two in range, with three neighbours on
    // each side: layout boundaries, 2^53, the ends of the subnormal and
    // normal ranges, and the uneven gaps at binade edges.
    const auto with_neighbours = [&values](double centre) {
        double below = centre;
        double above = centre;
        values.push_back(centre);
        for (int step = 0; step < 3; ++step) {
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, std::numeric_limits<double>::infinity());
            values.push_back(below);
            values.push_back(above);
        }
    };
    for (int k = -323; k <= 308; ++k) {
        with_neighbours(parse_made("1e" + std::to_string(k)));
    }
    for (int k = -1074; k <= 1023; ++k) {
        with_neighbours(std::ldexp(1.0, k));
    }
    values.push_back(std::numeric_limits<double>::max());
    values.push_back(0.0);

    const std::size_t base = values.size();
    for (std::size_t i = 0; i < base; ++i) {
        values.push_back(-values[i]);
    }
    return values;
}

OracleTally check_all(std::span<const double> values) {
    OracleTally tally;
    for (const double value : values) {
        check_number(value, tally);
    }
    return tally;
}

TEST(JsonNumberOracle, ShortestRoundTripDigitsInTheirLayout) {
    const std::vector<double> values = oracle_values();
    // The checks are independent, so the values are split among a few cores.
    const std::size_t workers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    const std::size_t share = (values.size() + workers - 1) / workers;
    std::vector<std::future<OracleTally>> parts;
    for (std::size_t first = 0; first < values.size(); first += share) {
        const std::span<const double> part =
            std::span(values).subspan(first, std::min(share, values.size() - first));
        parts.push_back(std::async(std::launch::async, check_all, part));
    }
    OracleTally tally;
    for (auto& part : parts) {
        tally.merge(part.get());
    }
    EXPECT_GE(tally.checked, 1'000'000u);
    EXPECT_EQ(tally.failures, 0u) << testing::PrintToString(tally.examples);
    RecordProperty("checked", std::to_string(tally.checked));
    RecordProperty("nearest_missed_boundary", std::to_string(tally.nearest_missed_boundary));
    std::printf("checked %zu doubles; %zu took the next decimal up at a binade edge\n",
                tally.checked, tally.nearest_missed_boundary);
}

}  // namespace
