#include "datasheet/datasheet.hpp"

#include <string>

#include "datasheet/json_writer.hpp"
#include "formulas/entry.hpp"

namespace quorra::datasheet {

// Called on every datasheet request. The literals carry the keys in
// ascending byte order.
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
