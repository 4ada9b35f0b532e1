#pragma once
// The datasheet of one formulas-registry entry, as compact JSON text:
// {"name":...,"status":...,"uncertainty":...,"units":...,"value":...}

#include <cstddef>
#include <string>

#include "datasheet/json_writer.hpp"
#include "formulas/entry.hpp"

namespace quorra::datasheet {

// Room reserved for the text up front; every datasheet of the built-in
// catalogue fits without growing the buffer (checked by
// tests/cpp/datasheet/datasheet_test.cpp).
inline constexpr std::size_t datasheet_reserved_bytes = 128;

// The five members: name, status (display name), uncertainty (number, or
// null when the entry has none), units and value. A NaN or infinite number is
// written as null.
JsonObject datasheet_object(const formulas::FormulaEntry& entry);

// The same bytes as writing datasheet_object(entry), without building the
// object: the members are written straight into a buffer in key order.
std::string datasheet_json(const formulas::FormulaEntry& entry);

}  // namespace quorra::datasheet
