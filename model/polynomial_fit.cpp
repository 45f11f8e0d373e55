#include "model/polynomial_fit.h"

#include <algorithm>
#include <cmath>

namespace {

// A pivot within this many rounding units of the magnitudes that went into it is noise: the
// points do not determine that coefficient in this format.
constexpr long double NoiseUnits = 64.0L * std::numeric_limits<long double>::epsilon();

}  // namespace

PolynomialFit::PolynomialFit(int32_t degree) : degree(std::min(degree, MaxDegree)) {}

void PolynomialFit::AddPoint(double x, double y) {
    const int n = degree;
    long double p = 1.0L;
    for (int k = 0; k <= 2 * n; ++k) {
        powerSums[k] += p;
        p *= x;
    }
    p = 1.0L;
    for (int k = 0; k <= n; ++k) {
        solution[k] += y * p;
        p *= x;
    }
}

void PolynomialFit::BuildNormalEquations() {
    for (auto& row : matrix)
        for (auto& entry : row)
            entry = 0.0L;
    const int n = degree;
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j)
            matrix[i][j] = powerSums[i + j];
        matrix[i][n + 1] = solution[i];
    }
}

bool PolynomialFit::Solve(bool throughOrigin) {
    const int n = degree;
    const int s = throughOrigin ? 1 : 0;

    // Running bound of the magnitudes summed into each entry: the scale of its rounding error.
    long double bound[MaxDegree + 1][MaxDegree + 2] = {};
    for (int r = s; r <= n; ++r)
        for (int j = s; j <= n + 1; ++j)
            bound[r][j] = std::fabs(matrix[r][j]);

    for (int p = s; p <= n - 1; ++p) {
        // Partial pivoting; on equal magnitudes the upper row stays.
        long double best = std::fabs(matrix[p][p]);
        int pivotRow = p;
        for (int r = p + 1; r <= n; ++r) {
            if (std::fabs(matrix[r][p]) > best) {
                best = std::fabs(matrix[r][p]);
                pivotRow = r;
            }
        }
        if (pivotRow != p) {
            for (int j = p; j <= n + 1; ++j) {
                std::swap(matrix[p][j], matrix[pivotRow][j]);
                std::swap(bound[p][j], bound[pivotRow][j]);
            }
        }
        if (matrix[p][p] == 0.0L) continue;
        for (int r = p + 1; r <= n; ++r) {
            if (matrix[r][p] == 0.0L) continue;
            const long double f = matrix[r][p] / matrix[p][p];
            for (int j = p; j <= n + 1; ++j) {
                matrix[r][j] -= f * matrix[p][j];
                bound[r][j] += std::fabs(f) * bound[p][j];
            }
        }
    }

    bool determined = true;
    for (int i = n; i >= s; --i) {
        const long double diagonal = matrix[i][i];
        if (!(std::fabs(diagonal) > NoiseUnits * bound[i][i])) determined = false;
        long double acc = matrix[i][n + 1];
        for (int j = i + 1; j <= n; ++j)
            acc -= solution[j] * matrix[i][j];
        solution[i] = determined ? acc / diagonal : 0.0L;
    }
    if (throughOrigin) solution[0] = 0.0L;
    return determined;
}
