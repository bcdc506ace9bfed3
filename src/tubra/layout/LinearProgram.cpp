#include "tubra/layout/LinearProgram.h"

#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <CoinPackedMatrix.hpp>
#include <cmath>

namespace tubra::layout {

namespace {
// The solver's own name for no bound.
double bound(double v) {
    return std::isinf(v) ? (v > 0 ? COIN_DBL_MAX : -COIN_DBL_MAX) : v;
}
}  // namespace

int LinearProgram::addVariable(double lower, double upper, double cost) {
    lower_.push_back(bound(lower));
    upper_.push_back(bound(upper));
    costs_.push_back(cost);
    return static_cast<int>(lower_.size()) - 1;
}

void LinearProgram::addRow(const std::vector<std::pair<int, double>>& terms, double lower,
                           double upper) {
    const int row = rows();
    for (const auto& [variable, coefficient] : terms) {
        if (coefficient == 0.0) continue;
        termRow_.push_back(row);
        termColumn_.push_back(variable);
        termValue_.push_back(coefficient);
    }
    rowLower_.push_back(bound(lower));
    rowUpper_.push_back(bound(upper));
}

bool LinearProgram::minimize() {
    values_.assign(lower_.size(), 0.0);
    cost_ = 0.0;
    if (lower_.empty()) return true;
    const CoinPackedMatrix matrix(true, termRow_.data(), termColumn_.data(), termValue_.data(),
                                  static_cast<CoinBigIndex>(termValue_.size()));
    ClpSimplex model;
    model.setLogLevel(0);
    // The matrix may name fewer rows or columns than there are (rows of no terms).
    CoinPackedMatrix sized(matrix);
    sized.setDimensions(rows(), variables());
    model.loadProblem(sized, lower_.data(), upper_.data(), costs_.data(), rowLower_.data(),
                      rowUpper_.data());
    ClpSolve how;
    how.setPresolveType(ClpSolve::presolveOn);
    how.setSolveType(ClpSolve::useDual);
    model.initialSolve(how);
    if (model.status() != 0) return false;
    const double* solution = model.primalColumnSolution();
    values_.assign(solution, solution + variables());
    cost_ = model.objectiveValue();
    return true;
}

}  // namespace tubra::layout
