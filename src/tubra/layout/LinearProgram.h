#pragma once
// A small linear program: variables with bounds and costs, rows of a few terms each with bounds,
// the cost minimised by the simplex method of the COIN-OR solver. Plain C++ for the callers; the
// solver stays behind this file.

#include <limits>
#include <utility>
#include <vector>

namespace tubra::layout {

class LinearProgram {
  public:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    // A new variable lower <= x <= upper costing `cost` a unit; its index.
    int addVariable(double lower, double upper, double cost);
    // lower <= sum of coefficient · variable <= upper (an equation when the two are equal).
    void addRow(const std::vector<std::pair<int, double>>& terms, double lower, double upper);

    int variables() const { return static_cast<int>(lower_.size()); }
    int rows() const { return static_cast<int>(rowLower_.size()); }

    // Solves; false when the program has no solution (or the solver gave up). The values are
    // those of the solution found.
    bool minimize();
    double value(int variable) const { return values_[static_cast<std::size_t>(variable)]; }
    double cost() const { return cost_; }

  private:
    std::vector<double> lower_, upper_, costs_;
    std::vector<double> rowLower_, rowUpper_;
    std::vector<int> termRow_, termColumn_;
    std::vector<double> termValue_;
    std::vector<double> values_;
    double cost_ = 0.0;
};

}  // namespace tubra::layout
