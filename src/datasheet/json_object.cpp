#include <string>
#include <utility>
#include <variant>

#include "datasheet/json_writer.hpp"

namespace quorra::datasheet {

void write_json_value(std::string& out, const JsonValue& value) {
    struct Writer {
        std::string& out;
        void operator()(JsonNull) const { write_json_null(out); }
        void operator()(const std::string& text) const { write_json_string(out, text); }
        void operator()(double number) const { write_json_number(out, number); }
    };
    std::visit(Writer{out}, value);
}

void JsonObject::insert(std::string key, JsonValue value) {
    members_.insert_or_assign(std::move(key), std::move(value));
}

// std::string compares through char_traits<char>, which orders bytes as
// unsigned char: byte-wise order, a prefix before any longer key.
void JsonObject::write(std::string& out) const {
    out.push_back('{');
    bool first = true;
    for (const auto& [key, value] : members_) {
        if (!first) {
            out.push_back(',');
        }
        first = false;
        write_json_string(out, key);
        out.push_back(':');
        write_json_value(out, value);
    }
    out.push_back('}');
}

}  // namespace quorra::datasheet
