#include "formulas/builtin_catalogue.hpp"

namespace quorra::formulas {

constinit const BuiltinCatalogue builtin_catalogue =
    catalogue_layout::make_image<BuiltinCatalogue>(builtin_rows);

}  // namespace quorra::formulas
