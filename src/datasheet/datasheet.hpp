#pragma once
// The datasheet of one formulas-registry entry, as compact JSON text:
// {"name":...,"status":...,"uncertainty":...,"units":...,"value":...}

#include <string>

#include "formulas/entry.hpp"

namespace quorra::datasheet {

std::string datasheet_json(const formulas::FormulaEntry& entry);

}  // namespace quorra::datasheet
