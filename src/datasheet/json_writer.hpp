#pragma once
// A compact JSON writer for the few kinds of value a datasheet holds:
// objects with byte-ordered keys, strings, numbers from doubles, and null.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace quorra::datasheet {

struct JsonNull {
    friend bool operator==(JsonNull, JsonNull) = default;
};

using JsonValue = std::variant<JsonNull, std::string, double>;

// Appends the number: shortest round-trip digits, always with "." or an
// exponent; NaN and infinities are written as null. Decimal exponents -5 to
// 15 are written plain ("0.00001", "24.0"), others scientific ("1e+16",
// "1.5e-7").
void write_json_number(std::string& out, double value);

// Appends "null".
void write_json_null(std::string& out);

// Appends the string, quoted and escaped.
void write_json_string(std::string& out, std::string_view bytes);

void write_json_value(std::string& out, const JsonValue& value);

// An object whose members are kept in ascending byte order of their keys.
class JsonObject {
public:
    // Adds a member, replacing the value of a key already present.
    void insert(std::string key, JsonValue value);
    void write(std::string& out) const;

private:
    std::map<std::string, JsonValue, std::less<>> members_;
};

}  // namespace quorra::datasheet
