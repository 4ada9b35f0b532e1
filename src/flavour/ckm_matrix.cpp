#include "flavour/ckm_matrix.hpp"

namespace quorra::flavour {

CKMMatrix CKMMatrix::from_topology() noexcept {
    CKMMatrix m;
    // clang-format off: one row a line
    m.elements = {1.0, 0.0, 0.0,
                  0.0, 1.0, 0.0,
                  0.0, 0.0, 1.0};
    // clang-format on
    m.jarlskog_j = 0.0;
    m.reserved = 0.0;
    return m;
}

// Tests only the row norms (the diagonal of M * M^T). Each product and sum is
// rounded on its own, in the order written; the library is built without
// floating-point contraction so no fused multiply-add changes a result.
bool CKMMatrix::is_unitary(double tol) const noexcept {
    double max_deviation = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        const double* row = &elements[3 * i];
        const double norm = (row[0] * row[0] + row[1] * row[1]) + row[2] * row[2];
        const double deviation = norm + -1.0;
        const double magnitude = deviation < 0.0 ? -deviation : deviation;
        // A NaN deviation compares false and so never becomes the maximum.
        if (magnitude > max_deviation) {
            max_deviation = magnitude;
        }
    }
    return tol >= max_deviation;
}

}  // namespace quorra::flavour
