#pragma once
// A real 3x3 quark-mixing matrix with a stored Jarlskog invariant.

#include <array>

namespace quorra::flavour {

struct CKMMatrix {
    std::array<double, 9> elements{};  // row-major: (i, j) at 3 * i + j
    double jarlskog_j = 0.0;
    double reserved = 0.0;

    // The identity matrix with J = 0.
    static CKMMatrix from_topology() noexcept;

    double jarlskog() const noexcept { return jarlskog_j; }

    // True when tol >= the largest deviation of a row's squared norm from 1.
    bool is_unitary(double tol) const noexcept;
};

}  // namespace quorra::flavour
