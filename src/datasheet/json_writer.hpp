#pragma once
// A compact JSON writer for the few kinds of value a datasheet holds:
// strings, numbers from doubles, and null. The datasheet's one object is
// written by datasheet_json, its members in byte order of their keys.

#include <string>
#include <string_view>

namespace quorra::datasheet {

// Appends the number: shortest round-trip digits, always with "." or an
// exponent; NaN and infinities are written as null. Decimal exponents -5 to
// 15 are written plain ("0.00001", "24.0"), others scientific ("1e+16",
// "1.5e-7").
void write_json_number(std::string& out, double value);

// Appends "null".
void write_json_null(std::string& out);

// Appends the string, quoted and escaped.
void write_json_string(std::string& out, std::string_view bytes);

}  // namespace quorra::datasheet
