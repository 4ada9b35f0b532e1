// Must not compile: a catalogue row whose name is 17 bytes long. CTest
// compiles it and expects the message that names the limit; compiled with
// QUORRA_ONLY_FITTING_NAMES, it holds a name of exactly 16 bytes and must
// compile (tests/cpp/formulas/CMakeLists.txt).

#include "formulas/catalogue_image_layout.hpp"

using quorra::formulas::CatalogueRow;

constexpr CatalogueRow rows[] = {
    CatalogueRow::seed("sixteen_bytes_ok", 1.0, "count"),
#ifndef QUORRA_ONLY_FITTING_NAMES
    CatalogueRow::derived("seventeen_bytes_x", "1", "count", {}),
#endif
};

int main() { return rows[0].name.size() == 16 ? 0 : 1; }
