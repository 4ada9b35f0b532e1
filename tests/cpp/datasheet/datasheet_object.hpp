#pragma once
// The datasheet assembled as a JSON object, a map whose members are kept in
// byte order of their keys, and written member by member: the long way to
// the text that datasheet_json writes straight into its buffer. The tests
// compare the two, and the datasheet benchmark times them side by side.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <variant>

#include "datasheet/json_writer.hpp"
#include "formulas/entry.hpp"

namespace datasheet_test {

struct JsonNull {
    friend bool operator==(JsonNull, JsonNull) = default;
};

using JsonValue = std::variant<JsonNull, std::string, double>;

inline void write_json_value(std::string& out, const JsonValue& value) {
    using namespace quorra::datasheet;
    struct Writer {
        std::string& out;
        void operator()(JsonNull) const { write_json_null(out); }
        void operator()(const std::string& text) const { write_json_string(out, text); }
        void operator()(double number) const { write_json_number(out, number); }
    };
    std::visit(Writer{out}, value);
}

// An object whose members are kept in ascending byte order of their keys.
class JsonObject {
public:
    // Adds a member, replacing the value of a key already present.
    void insert(std::string key, JsonValue value) {
        members_.insert_or_assign(std::move(key), std::move(value));
    }

    // std::string compares through char_traits<char>, which orders bytes as
    // unsigned char: byte-wise order, a prefix before any longer key.
    void write(std::string& out) const {
        out.push_back('{');
        bool first = true;
        for (const auto& [key, value] : members_) {
            if (!first) {
                out.push_back(',');
            }
            first = false;
            quorra::datasheet::write_json_string(out, key);
            out.push_back(':');
            write_json_value(out, value);
        }
        out.push_back('}');
    }

private:
    std::map<std::string, JsonValue, std::less<>> members_;
};

// The five members, added in an order other than the keys' own.
inline JsonObject datasheet_object(const quorra::formulas::FormulaEntry& entry) {
    JsonObject sheet;
    sheet.insert("value", entry.value);
    sheet.insert("units", entry.units);
    sheet.insert("uncertainty",
                 entry.uncertainty ? JsonValue(*entry.uncertainty) : JsonValue(JsonNull{}));
    sheet.insert("status", std::string(quorra::formulas::display_name(entry.status)));
    sheet.insert("name", entry.name);
    return sheet;
}

}  // namespace datasheet_test
