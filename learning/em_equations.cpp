// The equation case of EM (see em_equations.h).
#include "learning/em_equations.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "learning/em_learning.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

void DenseMatrix::Resize(int rows, int columns) {
    rows_ = rows;
    columns_ = columns;
    items_.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), 0.0);
}

std::vector<double> DenseMatrix::SolveSymmetric(const std::vector<double>& b) const {
    const int n = rows_;
    DenseMatrix a(*this);
    std::vector<double> rhs(b);
    double scale = 0.0;
    for (int i = 0; i < n; ++i) scale = std::fmax(scale, std::fabs(a(i, i)));
    const double tolerance = scale * 1e-12;
    // Reduced row echelon form; pivotOf[c] is the row holding column c's pivot, -1 for none.
    std::vector<int> pivotOf(static_cast<size_t>(n), -1);
    int row = 0;
    for (int c = 0; c < n && row < n; ++c) {
        int best = row;
        for (int r = row + 1; r < n; ++r) {
            if (std::fabs(a(r, c)) > std::fabs(a(best, c))) best = r;
        }
        if (!(std::fabs(a(best, c)) > tolerance)) continue;
        if (best != row) {
            for (int k = 0; k < n; ++k) std::swap(a(best, k), a(row, k));
            std::swap(rhs[static_cast<size_t>(best)], rhs[static_cast<size_t>(row)]);
        }
        const double f = 1.0 / a(row, c);
        for (int k = 0; k < n; ++k) a(row, k) *= f;
        rhs[static_cast<size_t>(row)] *= f;
        for (int r = 0; r < n; ++r) {
            const double g = a(r, c);
            if (r == row || g == 0.0) continue;
            for (int k = 0; k < n; ++k) a(r, k) -= g * a(row, k);
            rhs[static_cast<size_t>(r)] -= g * rhs[static_cast<size_t>(row)];
        }
        pivotOf[static_cast<size_t>(c)] = row++;
    }
    // Columns without a pivot are set to 0, which the pivot rows then need no correction for.
    std::vector<double> x(static_cast<size_t>(n), 0.0);
    for (int c = 0; c < n; ++c) {
        const int r = pivotOf[static_cast<size_t>(c)];
        if (r >= 0) x[static_cast<size_t>(c)] = rhs[static_cast<size_t>(r)];
    }
    return x;
}

void FitLinearGaussian(const DataSet& data, int y, const std::vector<int>& xs,
                       std::vector<double>& coefficients, double& deviation) {
    const int n = data.GetRecordCount();
    const int p = static_cast<int>(xs.size()) + 1;
    std::vector<double> row(static_cast<size_t>(p));
    DenseMatrix normal(p, p);
    std::vector<double> rhs(static_cast<size_t>(p), 0.0);
    for (int r = 0; r < n; ++r) {
        row[0] = 1.0;
        for (int j = 1; j < p; ++j)
            row[static_cast<size_t>(j)] = data.GetFloat(xs[static_cast<size_t>(j - 1)], r);
        const double target = data.GetFloat(y, r);
        for (int i = 0; i < p; ++i) {
            rhs[static_cast<size_t>(i)] += row[static_cast<size_t>(i)] * target;
            for (int j = 0; j < p; ++j)
                normal(i, j) += row[static_cast<size_t>(i)] * row[static_cast<size_t>(j)];
        }
    }
    coefficients = normal.SolveSymmetric(rhs);
    double rss = 0.0;
    for (int r = 0; r < n; ++r) {
        double fitted = coefficients[0];
        for (int j = 1; j < p; ++j)
            fitted += coefficients[static_cast<size_t>(j)] * data.GetFloat(xs[static_cast<size_t>(j - 1)], r);
        const double e = data.GetFloat(y, r) - fitted;
        rss += e * e;
    }
    deviation = n > 1 ? std::sqrt(rss / (n - 1)) : 0.0;
}

namespace {

void AppendNumber(std::string& text, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16g", v);
    text += buffer;
}

bool IsFixed(const std::vector<int>& fixedNodes, int h) {
    for (int f : fixedNodes) {
        if (f == h) return true;
    }
    return false;
}

}  // namespace

bool WriteLinearGaussianEquations(const DataSet& data, VRX_network& network,
                                  const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes) {
    for (const DataMatch& match : matches) {
        const int h = match.node;
        if (IsFixed(fixedNodes, h)) continue;
        // One regressor per parent, its first matched column: coefficients pair with parents one to one.
        // A parent without a column cannot be fitted, and the node keeps its equation.
        const VRX_intArray& parents = network.GetParents(h);
        std::vector<int> xs;
        std::vector<std::string> names;
        for (int k = 0; k < parents.GetCount(); ++k) {
            for (const DataMatch& other : matches) {
                if (other.node != parents[k]) continue;
                xs.push_back(other.column);
                break;
            }
            names.emplace_back(network.GetNode(parents[k])->GetId());
        }
        if (xs.size() != names.size()) continue;
        std::vector<double> b;
        double s = 0.0;
        FitLinearGaussian(data, match.column, xs, b, s);
        std::string text = network.GetNode(h)->GetId();
        text += "=";
        for (size_t i = 0; i < names.size(); ++i) {
            double v = b[i + 1];
            if (i > 0) {
                text += v >= 0.0 ? "+" : "-";
                v = std::fabs(v);
            }
            AppendNumber(text, v);
            text += "*" + names[i];
        }
        if (!names.empty()) text += "+";
        text += "Normal(";
        AppendNumber(text, b[0]);
        text += ",";
        AppendNumber(text, s);
        text += ")";
        auto* equation = dynamic_cast<VRX_equation*>(network.GetNode(h)->GetDefinition());
        if (equation != nullptr) (void)equation->SetEquation(text.c_str(), nullptr, nullptr);
    }
    return true;
}

}  // namespace vovido

int LearnEmContinuous(const EmOptions&, const DataSet& data, VRX_network& network,
                      const std::vector<DataMatch>& matches, const std::vector<int>& fixedNodes,
                      double* outLogLik, EmProgress*) {
    for (int r = 0; r < data.GetRecordCount(); ++r) {
        for (int v = 0; v < data.GetVariableCount(); ++v) {
            // Cells are flagged missing one by one: a real value equal to the marker (a -1 read from a
            // file) is a value.
            if (data.IsMissing(v, r)) {
                return LogError(errorLog, kFailure, "em: missing values not allowed for continuous case\n",
                                nullptr);
            }
        }
    }
    for (int v = 0; v < data.GetVariableCount(); ++v) {
        const int r = data.FirstNonFinite(v);
        if (r >= 0)
            return LogError(errorLog, kFailure, NonFiniteText("em", data, v, r, "fitted").c_str(), nullptr);
    }
    (void)vovido::WriteLinearGaussianEquations(data, network, matches, fixedNodes);
    if (outLogLik != nullptr) *outLogLik = 0.0;
    network.InvalidateValues();
    return kSuccess;
}
