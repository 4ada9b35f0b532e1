#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

#include "datasheet/json_writer.hpp"

namespace quorra::datasheet {

namespace {

// The longest number written: "-0." + 4 zeros + 17 digits, or
// "-d." + 16 digits + "e-324", both 24 bytes.
constexpr std::size_t number_scratch_size = 32;

// Decimal exponents written in plain notation; outside them, scientific.
constexpr int plain_min_exponent = -5;
constexpr int plain_max_exponent = 15;

// The shortest decimal significand d1.d2...dn that reads back to the same
// double, and the decimal exponent of d1. The digits come from std::to_chars
// in scientific form, which picks the fewest significand digits that round
// trip and, among equally short ones, the nearest; e.g. "1.5e-07", "5e-324".
class ShortestDecimal {
public:
    explicit ShortestDecimal(double magnitude) {
        const char* const end = std::to_chars(text_.data(), text_.data() + text_.size(), magnitude,
                                              std::chars_format::scientific)
                                    .ptr;
        const std::string_view text(text_.data(), static_cast<std::size_t>(end - text_.data()));
        const std::size_t e = text.find('e');
        lead_ = text.front();
        if (e > 1) {
            fraction_ = text.substr(2, e - 2);  // after "d."
        }
        // The exponent is written with a sign and at least two digits.
        const bool negative = text[e + 1] == '-';
        int exponent_magnitude = 0;
        std::from_chars(text.data() + e + 2, end, exponent_magnitude);
        exponent_ = negative ? -exponent_magnitude : exponent_magnitude;
    }
    // fraction_ points into text_, so a copy would point into the original.
    ShortestDecimal(const ShortestDecimal&) = delete;
    ShortestDecimal& operator=(const ShortestDecimal&) = delete;

    char lead() const noexcept { return lead_; }
    // d2 ... dn; empty when the significand has one digit.
    std::string_view fraction() const noexcept { return fraction_; }
    int digit_count() const noexcept { return 1 + static_cast<int>(fraction_.size()); }
    int exponent() const noexcept { return exponent_; }

private:
    std::array<char, 32> text_{};
    char lead_ = '0';
    std::string_view fraction_;
    int exponent_ = 0;
};

char* put(char* p, std::string_view bytes) noexcept {
    return std::copy(bytes.begin(), bytes.end(), p);
}

char* put_zeros(char* p, int count) noexcept { return std::fill_n(p, count, '0'); }

// 0.000dd..., dd.ddd or dd...d00.0, chosen by where the point falls.
char* put_plain(char* p, const ShortestDecimal& d) noexcept {
    const int e = d.exponent();
    const std::string_view fraction = d.fraction();
    if (e < 0) {
        p = put(p, "0.");
        p = put_zeros(p, -e - 1);
        *p++ = d.lead();
        return put(p, fraction);
    }
    *p++ = d.lead();
    if (e < d.digit_count() - 1) {
        const auto before_point = static_cast<std::size_t>(e);
        p = put(p, fraction.substr(0, before_point));
        *p++ = '.';
        return put(p, fraction.substr(before_point));
    }
    p = put(p, fraction);
    p = put_zeros(p, e + 1 - d.digit_count());
    return put(p, ".0");
}

// d.ddde+X or de-X: the exponent always signed, without leading zeros.
char* put_scientific(char* p, char* end, const ShortestDecimal& d) noexcept {
    *p++ = d.lead();
    if (!d.fraction().empty()) {
        *p++ = '.';
        p = put(p, d.fraction());
    }
    *p++ = 'e';
    *p++ = d.exponent() < 0 ? '-' : '+';
    return std::to_chars(p, end, std::abs(d.exponent())).ptr;
}

}  // namespace

void write_json_null(std::string& out) { out.append("null"); }

void write_json_number(std::string& out, double value) {
    if (!std::isfinite(value)) {
        write_json_null(out);
        return;
    }
    std::array<char, number_scratch_size> scratch;
    char* p = scratch.data();
    if (std::signbit(value)) {
        *p++ = '-';
    }
    const double magnitude = std::fabs(value);
    if (magnitude == 0.0) {
        p = put(p, "0.0");
    } else {
        const ShortestDecimal d(magnitude);
        if (d.exponent() >= plain_min_exponent && d.exponent() <= plain_max_exponent) {
            p = put_plain(p, d);
        } else {
            p = put_scientific(p, scratch.data() + scratch.size(), d);
        }
    }
    out.append(scratch.data(), static_cast<std::size_t>(p - scratch.data()));
}

}  // namespace quorra::datasheet
