// The equation solver's two passes: deterministic solving and simulation by sampling.
#include "equations/equation_solver.h"

#include <cmath>
#include <cstdint>

#include "base/error_log.h"
#include "base/number_text.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/continuous_values.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "equations/equation_plan.h"
#include "equations/sample_memory.h"
#include "model/network.h"
#include "model/node.h"
#include "model/node_label.h"

namespace {

constexpr const char* kComponentFailure = "Failed in computing SCC.";

// An answer must be a finite number: an undefined one (0/0) or an infinite one (1/0, Exp(1000)) is
// refused, naming the node.
int CheckValue(const VRX_network& network, int h, double x) {
    if (IsUndefinedValue(x) || std::isnan(x)) return vovido::RefuseUndefinedValue(network, h);
    if (std::isfinite(x)) return kSuccess;
    return vovido::ReportNodeFault(*network.GetNode(h), vovido::kInfiniteValueText, kOutOfRange);
}

VRX_valEqEvaluation* EvaluationOf(const VRX_network& network, int handle) {
    return dynamic_cast<VRX_valEqEvaluation*>(network.GetNode(handle)->GetValue());
}

// A root holding evidence takes its evidence in place of its equation: a value that contradicts the
// evidence must not be reported.
bool TakeRootEvidence(const VRX_network& network, const vovido::EquationUnit& unit,
                      VRX_valEqEvaluation* value, vovido::KnownValues& known) {
    const int h = unit.nodes[0];
    double observed = 0.0;
    if (unit.kind == vovido::EquationUnit::kComponent || network.GetNumberOfParents(h) != 0 ||
        value == nullptr || !value->HasEvidence() || value->GetContEvidence(observed) != kSuccess)
        return false;
    known.Set(h, observed);
    return true;
}

// Newton steps a component's solution is counted as: what most take from the start at 0.
constexpr int64_t kNewtonStepsCounted = 4;

// The terms a pass evaluates: each plain node's equation, and the equations of each component or node
// solved by Newton's method (each step evaluates every equation once, then once more for each member),
// and the sample it keeps of each node; a run whose passes would pass the limit is refused before its
// first draw.
int CheckPassWork(const VRX_network& network, const std::vector<vovido::EquationUnit>& units) {
    int64_t terms = 0, heaviestTerms = 0;
    int heaviest = -1;
    for (const vovido::EquationUnit& unit : units) {
        int64_t unitTerms = 0;
        if (unit.kind == vovido::EquationUnit::kEvaluate) {
            unitTerms = unit.expression != nullptr ? TermWork(CountTerms(*unit.expression)) : 0;
        } else {
            for (const vovido::ExpressionSlot& residual : unit.residuals)
                unitTerms += residual ? TermWork(CountTerms(*residual)) : 0;
            unitTerms *= kNewtonStepsCounted * (static_cast<int64_t>(unit.nodes.size()) + 1);
        }
        unitTerms += kTermsPerKeptSample * static_cast<int64_t>(unit.nodes.size());
        terms += unitTerms;
        if (unitTerms > heaviestTerms) {
            heaviestTerms = unitTerms;
            heaviest = unit.nodes[0];
        }
    }
    return CheckSampleWork(terms, network.numSamples,
                           heaviest >= 0 ? vovido::NodeLabel(network, heaviest) : "", heaviestTerms);
}

}  // namespace

int RunEquationSolver(const EquationSolverOptions& options) {
    VRX_network& network = *options.network;
    bool stochastic = false;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        VRX_nodeDefinition* definition = network.GetNode(h)->GetDefinition();
        const int type = definition != nullptr ? definition->GetType() : DefinitionType::kNone;
        if (type == DefinitionType::kEquationScc &&
            static_cast<VRX_equationSCC*>(definition)->GetEquation().hasDistribution)
            return LogError(
                errorLog, kOutOfRange,
                "Unable to sovle a network contains strongly-coupled components with distribution "
                "definitions.",
                nullptr);
        if (type != DefinitionType::kEquation && type != DefinitionType::kEquationScc)
            return LogError(errorLog, kOutOfRange, "Unable to handle hybrid networks with equation solver.",
                            nullptr);
        if (type == DefinitionType::kEquation &&
            static_cast<VRX_equation*>(definition)->GetEquation().hasDistribution)
            stochastic = true;
    }
    return stochastic ? SampleEquationNetwork(options) : SolveEquationNetwork(options);
}

int SolveEquationNetwork(const EquationSolverOptions& options) {
    VRX_network& network = *options.network;
    vovido::EquationPlan plan;
    if (const int rc = plan.Build(network)) return rc;
    vovido::KnownValues known(network.GetNumberOfSlots());
    for (vovido::EquationUnit& unit : plan.GetUnits()) {
        const bool observed = TakeRootEvidence(network, unit, EvaluationOf(network, unit.nodes[0]), known);
        if (const int rc = observed ? kSuccess : plan.Solve(unit, known, options)) {
            if (unit.kind == vovido::EquationUnit::kComponent)
                LogError(errorLog, rc, kComponentFailure, nullptr);
            return rc;
        }
        for (int h : unit.nodes) {
            if (const int rc = CheckValue(network, h, known.Get(h))) return rc;
            if (VRX_valEqEvaluation* value = EvaluationOf(network, h)) value->SetSolvedValue(known.Get(h));
        }
    }
    return kSuccess;
}

int SampleEquationNetwork(const EquationSolverOptions& options) {
    VRX_network& network = *options.network;
    if (const int rc = vovido::CheckSampleCount(network.numSamples, kOutOfRange)) return rc;
    int64_t sampled = 0;
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h))
        sampled += EvaluationOf(network, h) != nullptr;
    if (const int rc = CheckSampleMemory(sampled, network.numSamples)) return rc;
    vovido::EquationPlan plan;
    if (const int rc = plan.Build(network)) return rc;
    std::vector<vovido::EquationUnit>& units = plan.GetUnits();
    if (const int rc = CheckPassWork(network, units)) return rc;
    // The values, found once: a pass visits every node.
    std::vector<VRX_valEqEvaluation*> values(static_cast<size_t>(network.GetNumberOfSlots()), nullptr);
    for (int h = network.GetFirstNode(); h >= 0; h = network.GetNextNode(h)) {
        values[static_cast<size_t>(h)] = EvaluationOf(network, h);
        if (values[static_cast<size_t>(h)] != nullptr) values[static_cast<size_t>(h)]->ClearSamples();
    }
    vovido::KnownValues known(network.GetNumberOfSlots());
    for (int pass = 0; pass < network.numSamples; ++pass) {
        known.Clear();
        for (vovido::EquationUnit& unit : units) {
            const bool observed =
                TakeRootEvidence(network, unit, values[static_cast<size_t>(unit.nodes[0])], known);
            if (const int rc = observed ? kSuccess : plan.Solve(unit, known, options)) {
                if (unit.kind == vovido::EquationUnit::kComponent)
                    LogError(errorLog, rc, kComponentFailure, nullptr);
                return rc;
            }
            for (int n : unit.nodes) {
                const double x = known.Get(n);
                if (const int rc = CheckValue(network, n, x)) return rc;
                if (VRX_valEqEvaluation* v = values[static_cast<size_t>(n)]) v->AddSample(x);
            }
        }
    }
    for (size_t h = 0; h < values.size(); ++h) {
        if (values[h] != nullptr && !values[h]->ComputeStatistics())
            return vovido::ReportNodeFault(*network.GetNode(static_cast<int>(h)), vovido::kInfiniteSpreadText,
                                           kOutOfRange);
    }
    return kSuccess;
}
