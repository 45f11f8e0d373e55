#pragma once

#include <cstdint>
#include <limits>

#include "base/base_object.h"

// The fit accumulates and solves in the x87 80-bit format.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");

// Least-squares polynomial y = K[0] + K[1]*x + ... + K[n]*x^n through a set of points, solved
// from the normal equations by Gaussian elimination with partial pivoting.
class PolynomialFit : public BaseObject {
  public:
    static constexpr int MaxDegree = 9;

    // A degree of 9 or more is taken as 9.
    explicit PolynomialFit(int32_t degree);

    // Accumulates the power sums S[k] = sum x^k and the right-hand sums T[k] = sum y*x^k.
    void AddPoint(double x, double y);
    // Fills rows and columns 0..n of the augmented matrix from the sums.
    void BuildNormalEquations();
    // Solves the system into solution (K[0] = 0 and row and column 0 left out with
    // throughOrigin). Returns false when the points do not determine the curve: a diagonal
    // entry that is zero, or too small to be told apart from rounding noise.
    bool Solve(bool throughOrigin);

    long double matrix[MaxDegree + 1][MaxDegree + 2] = {};
    long double powerSums[2 * MaxDegree + 1] = {};
    long double solution[MaxDegree + 1] = {};
    int32_t degree = 0;
};
