// The built-in catalogue's image itself: builtin_rows (builtin_catalogue.hpp)
// laid out at compile time, by catalogue_image_layout.hpp, into constant data.

#include "formulas/builtin_catalogue.hpp"

namespace quorra::formulas {

// constinit: made by the compiler, so nothing runs, or throws, at start-up.
// NOLINTNEXTLINE(bugprone-throwing-static-initialization)
constinit const BuiltinCatalogue builtin_catalogue =
    catalogue_layout::make_image<BuiltinCatalogue>(builtin_rows);

}  // namespace quorra::formulas
