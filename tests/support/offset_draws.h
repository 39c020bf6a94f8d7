// Twelve fixed draws of a standard normal, pairs (zx, zy), that the tests of
// data far from zero place at an offset; the reference scripts under
// numeric/reference and analyses/reference use the same numbers.
#pragma once

#include <array>
#include <cmath>

namespace qrv::test {

constexpr std::array<double, 12> kZx = {0.613, -1.207, 0.071,  1.862, -0.448, -0.935,
                                        1.114, 0.286,  -1.671, 0.502, -0.059, 0.928};
constexpr std::array<double, 12> kZy = {0.215, -0.874, 0.640,  1.103, -1.390, 0.057,
                                        0.812, -0.221, -0.968, 1.446, -0.503, 0.331};

}  // namespace qrv::test

// Relative closeness, with a floor for an expected 0.
#define EXPECT_REL(actual, expected, tol) \
    EXPECT_NEAR((actual), (expected), std::fabs(static_cast<double>(expected)) * (tol) + 1e-300)
