#include "datasheet/datasheet.hpp"

#include <string>

#include "datasheet/json_writer.hpp"
#include "formulas/entry.hpp"

namespace quorra::datasheet {

JsonObject datasheet_object(const formulas::FormulaEntry& entry) {
    JsonObject sheet;
    sheet.insert("name", entry.name);
    sheet.insert("status", std::string(formulas::display_name(entry.status)));
    sheet.insert("uncertainty",
                 entry.uncertainty ? JsonValue(*entry.uncertainty) : JsonValue(JsonNull{}));
    sheet.insert("units", entry.units);
    sheet.insert("value", entry.value);
    return sheet;
}

// Called on every datasheet request, so it skips the map that
// datasheet_object builds. The literals below carry the keys in ascending
// byte order, which is the order JsonObject::write would give them.
std::string datasheet_json(const formulas::FormulaEntry& entry) {
    std::string text;
    text.reserve(datasheet_reserved_bytes);
    text.append(R"({"name":)");
    write_json_string(text, entry.name);
    text.append(R"(,"status":)");
    write_json_string(text, formulas::display_name(entry.status));
    text.append(R"(,"uncertainty":)");
    if (entry.uncertainty) {
        write_json_number(text, *entry.uncertainty);
    } else {
        write_json_null(text);
    }
    text.append(R"(,"units":)");
    write_json_string(text, entry.units);
    text.append(R"(,"value":)");
    write_json_number(text, entry.value);
    text.push_back('}');
    return text;
}

}  // namespace quorra::datasheet
