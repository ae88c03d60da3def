// The units of a solver run, their bindings and their order, and the solving of one unit.
#include "equations/equation_plan.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/error_log.h"
#include "base/int_array.h"
#include "base/parsed_equation.h"
#include "base/status_codes.h"
#include "definitions/equation.h"
#include "definitions/equation_scc.h"
#include "equations/equation_solver.h"
#include "equations/newton_solver.h"
#include "model/network.h"
#include "model/node.h"

namespace vovido {

namespace {

constexpr const char* kComponentFailure = "Failed in computing SCC.";
constexpr const char* kNewtonFailure = "Failed in solving nonlinear equations.";
// Expression terms Newton's method may evaluate on one component (about a second), and the cells of
// its elimination that take the time of one term.
constexpr long long kNewtonWork = 1LL << 26;
constexpr long long kEliminationCellsPerTerm = 16;
// Steps a component must be allowed, or it is refused as too large: most solutions take some.
constexpr int kNewtonFewestSteps = 4;

int Refuse(const std::string& message) {
    return LogError(errorLog, kOutOfRange, message.c_str(), nullptr);
}

int RefuseComponent(const std::string& message) {
    Refuse(message);
    return Refuse(kComponentFailure);
}

std::string IdOf(const VRX_network& network, int handle) {
    const char* id = NodeIdOf(&network, handle);
    return id != nullptr ? id : "";
}

// Logs the cause before what the steps under it logged from entry `first` on, which tell how it came.
void RefuseBefore(int first, const std::string& cause) {
    std::vector<std::pair<int, std::string>> later;
    for (int i = first; i < errorLog.GetNumberOfEntries(); ++i)
        later.emplace_back(errorLog.GetCode(i), errorLog.GetMessage(i));
    errorLog.Truncate(first);
    Refuse(cause);
    for (const auto& [code, text] : later) LogError(errorLog, code, text.c_str(), nullptr);
}

// The nodes Newton's method found no values for.
std::string UnsolvedText(const EquationUnit& unit, const VRX_network& network) {
    if (unit.kind == EquationUnit::kSolveOwn)
        return "Unable to solve the equation of node [" + IdOf(network, unit.nodes[0]) + "] for the node.";
    if (unit.nodes.size() == 1)
        return "Unable to solve the equation of node [" + IdOf(network, unit.nodes[0]) + "].";
    constexpr size_t kNamed = 10;
    std::string names;
    for (size_t i = 0; i < unit.nodes.size() && i < kNamed; ++i)
        names += (i > 0 ? ", [" : "[") + IdOf(network, unit.nodes[i]) + "]";
    if (unit.nodes.size() > kNamed) names += ", …";
    return "Unable to solve the equations of nodes " + names + " together.";
}

class CollectingVisitor : public VRX_variableVisitor {
public:
    void Visit(VRX_variable& variable) override { variables.push_back(&variable); }
    std::vector<VRX_variable*> variables;
};

// Where a name's value comes from within a unit.
struct Source {
    int node;
    int unknown;
};
using Sources = std::unordered_map<std::string, Source>;

// The parents of the node as sources, after the entries already there (which take precedence).
void AddParentSources(const VRX_network& network, int handle, Sources& sources) {
    const VRX_intArray& parents = network.GetParents(handle);
    for (int i = 0; i < parents.GetCount(); ++i)
        sources.emplace(IdOf(network, parents[i]), Source{parents[i], -1});
}

// Binds every variable of the tree; the message names the first variable without a source.
int Bind(VRX_expression& tree, const Sources& sources, EquationUnit& unit, std::string& unbound) {
    CollectingVisitor visitor;
    tree.Accept(visitor);
    for (VRX_variable* variable : visitor.variables) {
        const auto found = sources.find(variable->name);
        if (found == sources.end()) {
            unbound = variable->name;
            return kOutOfRange;
        }
        unit.bindings.push_back({variable, found->second.node, found->second.unknown});
    }
    return kSuccess;
}

// R - L of a copy of the equation, as Newton's method wants it.
ExpressionSlot ResidualOf(const ParsedEquation& equation) {
    ParsedEquation copy = equation;
    copy.MoveToRight();
    return std::move(copy.right);
}

bool IsBareVariable(const ExpressionSlot& side, const std::string& name) {
    return side && side->GetType() == kVariableKind && side->sign == 1 &&
           static_cast<const VRX_variable&>(*side).name == name;
}

}  // namespace

int EquationPlan::Build(VRX_network& network) {
    units_.clear();
    const VRX_intArray order(network.GetTopologicalOrder());
    std::vector<int> unitOf(static_cast<size_t>(network.GetNumberOfSlots()), -1);
    for (int i = 0; i < order.GetCount(); ++i) {
        const int h = order[i];
        if (unitOf[static_cast<size_t>(h)] >= 0) continue;  // a member of an earlier component
        units_.emplace_back();
        EquationUnit& unit = units_.back();
        const int type = network.GetNodeType(h);
        const int rc = type == DefinitionType::kEquationScc ? BuildComponent(network, h, unitOf, unit)
                                                            : BuildPlainUnit(network, h, unit);
        if (rc != kSuccess) return rc;
        for (int n : unit.nodes) unitOf[static_cast<size_t>(n)] = static_cast<int>(units_.size()) - 1;
    }
    for (EquationUnit& unit : units_) {
        for (int n : unit.nodes) {
            const VRX_intArray& parents = network.GetParents(n);
            for (int k = 0; k < parents.GetCount(); ++k) {
                if (unitOf[static_cast<size_t>(parents[k])] != unitOf[static_cast<size_t>(unit.nodes[0])])
                    unit.externalParents.push_back(parents[k]);
            }
        }
    }
    return OrderUnits(network, unitOf);
}

int EquationPlan::BuildPlainUnit(VRX_network& network, int handle, EquationUnit& unit) {
    auto* definition = dynamic_cast<VRX_equation*>(network.GetNode(handle)->GetDefinition());
    if (definition == nullptr) return Refuse("Unable to handle hybrid networks with equation solver.");
    ParsedEquation& equation = definition->GetEquation();
    const std::string own = IdOf(network, handle);
    unit.nodes.push_back(handle);
    Sources sources;
    AddParentSources(network, handle, sources);

    VRX_expression* tree = nullptr;
    if (IsBareVariable(equation.left, own) && CountVariable(*equation.right, own) == 0) {
        tree = equation.right.get();
    } else {
        // The node's variable is not alone on the left: the equation is solved for it.
        if ((equation.left ? CountVariable(*equation.left, own) : 0) +
                (equation.right ? CountVariable(*equation.right, own) : 0) ==
            0)
            return Refuse("Equation of node [" + own + "] does not name the node.");
        ParsedEquation copy = equation;
        if (SolveEquationFor(copy, own) == kSuccess) {
            unit.solved = std::move(copy.right);
            tree = unit.solved.get();
        } else if (equation.hasDistribution) {
            return Refuse("Unable to solve the equation of node [" + own +
                          "] for the node: it holds a distribution.");
        } else {
            unit.kind = EquationUnit::kSolveOwn;
            unit.residuals.push_back(ResidualOf(equation));
            tree = unit.residuals.back().get();
            sources[own] = {handle, 0};
        }
    }
    unit.expression = tree;
    std::string unbound;
    if (Bind(*tree, sources, unit, unbound) != kSuccess)
        return Refuse("Equation of node [" + own + "] names [" + unbound +
                      "], which is not one of its parents.");
    return kSuccess;
}

int EquationPlan::BuildComponent(VRX_network& network, int handle, std::vector<int>& unitOf,
                                 EquationUnit& unit) {
    unit.kind = EquationUnit::kComponent;
    const std::string own = IdOf(network, handle);
    unit.nodes.push_back(handle);
    const auto* definition = dynamic_cast<VRX_equationSCC*>(network.GetNode(handle)->GetDefinition());
    if (definition == nullptr) return Refuse("Unable to handle hybrid networks with equation solver.");
    for (const std::string& member : definition->GetMembers()) {
        const int m = network.FindNode(member.c_str());
        if (m < 0) return Refuse(kComponentFailure);
        if (m == handle) continue;
        if (network.GetNodeType(m) != DefinitionType::kEquationScc)
            return RefuseComponent("Member [" + member + "] of the component of node [" + own +
                                   "] has no equation of a strongly coupled component.");
        if (unitOf[static_cast<size_t>(m)] >= 0)
            return RefuseComponent("Node [" + member + "] is a member of two components.");
        unit.nodes.push_back(m);
    }
    Sources members;
    for (size_t j = 0; j < unit.nodes.size(); ++j)
        members.emplace(IdOf(network, unit.nodes[j]), Source{unit.nodes[j], static_cast<int>(j)});
    for (int n : unit.nodes) {
        auto& equation = static_cast<VRX_equationSCC*>(network.GetNode(n)->GetDefinition())->GetEquation();
        unit.residuals.push_back(ResidualOf(equation));
        Sources sources = members;
        AddParentSources(network, n, sources);
        std::string unbound;
        if (Bind(*unit.residuals.back(), sources, unit, unbound) != kSuccess)
            return RefuseComponent("Equation of node [" + IdOf(network, n) + "] names [" + unbound +
                                   "], which is neither one of its parents nor a member of its component.");
    }
    return kSuccess;
}

int EquationPlan::OrderUnits(VRX_network& network, const std::vector<int>& unitOf) {
    // Units in their first node's topological place, unless a member of a component needs a node that
    // comes later: then the component waits for it.
    const size_t count = units_.size();
    std::vector<int> waiting(count, 0);
    std::vector<std::vector<int>> next(count);
    for (size_t u = 0; u < count; ++u) {
        for (int parent : units_[u].externalParents) {
            next[static_cast<size_t>(unitOf[static_cast<size_t>(parent)])].push_back(static_cast<int>(u));
            ++waiting[u];
        }
    }
    std::priority_queue<int, std::vector<int>, std::greater<int>> ready;
    for (size_t u = 0; u < count; ++u) {
        if (waiting[u] == 0) ready.push(static_cast<int>(u));
    }
    std::vector<int> sorted;
    sorted.reserve(count);
    while (!ready.empty()) {
        const int u = ready.top();
        ready.pop();
        sorted.push_back(u);
        for (int v : next[static_cast<size_t>(u)]) {
            if (--waiting[static_cast<size_t>(v)] == 0) ready.push(v);
        }
    }
    if (sorted.size() < count) {
        for (size_t u = 0; u < count; ++u) {
            if (waiting[u] > 0)
                return RefuseComponent("The component of node [" + IdOf(network, units_[u].nodes[0]) +
                                       "] needs the values of nodes that need its own.");
        }
    }
    std::vector<EquationUnit> ordered;
    ordered.reserve(count);
    for (int u : sorted) ordered.push_back(std::move(units_[static_cast<size_t>(u)]));
    units_ = std::move(ordered);
    return kSuccess;
}

void EquationPlan::Refresh(const EquationUnit& unit, const KnownValues& known, const std::vector<double>& x) {
    for (const VariableBinding& b : unit.bindings)
        b.variable->value = b.unknown >= 0 ? x[static_cast<size_t>(b.unknown)] : known.Get(b.node);
}

int EquationPlan::Solve(EquationUnit& unit, KnownValues& known, const EquationSolverOptions& options) {
    for (const VariableBinding& b : unit.bindings) {
        if (b.unknown < 0 && !known.IsKnown(b.node)) return kOutOfRange;
    }
    if (unit.kind == EquationUnit::kEvaluate) {
        Refresh(unit, known, {});
        const double value = unit.expression->Evaluate() * unit.expression->sign;
        // A solved copy gives NaN where the equation has no real solution (y^2 = -1).
        if (unit.solved && std::isnan(value))
            return Refuse("Unable to solve the equation of node [" + IdOf(*options.network, unit.nodes[0]) +
                          "] for the node: it has no real solution.");
        known.Set(unit.nodes[0], value);
        return kSuccess;
    }
    std::vector<double> x(unit.nodes.size(), 0.0);
    const ResidualFunction residuals = [&](const std::vector<double>& point, std::vector<double>& f) {
        Refresh(unit, known, point);
        for (size_t i = 0; i < unit.residuals.size(); ++i)
            f[i] = unit.residuals[i]->Evaluate() * unit.residuals[i]->sign;
    };
    // Every step evaluates n equations n + 1 times and eliminates over n^3 / 3 cells, some
    // kEliminationCellsPerTerm to the time of a term: the step count is bounded so that a component
    // without a real root fails within a bounded amount of work, however large it is.
    if (unit.residualTerms == 0) {
        for (const ExpressionSlot& residual : unit.residuals)
            unit.residualTerms += residual ? CountTerms(*residual) : 1;
    }
    const auto n = static_cast<long long>(x.size());
    const long long perStep = (n + 1) * unit.residualTerms + n * n * n / (3 * kEliminationCellsPerTerm) + 1;
    const int limit = static_cast<int>(std::min<long long>(options.maxIterations, kNewtonWork / perStep));
    // Fewer steps than a solution takes would only fail later, after its matrix is allocated.
    if (limit < kNewtonFewestSteps && options.maxIterations >= kNewtonFewestSteps) {
        Refuse(UnsolvedText(unit, *options.network));
        Refuse("A step of Newton's method over " + std::to_string(n) + " equations of " +
               std::to_string(unit.residualTerms) + " terms would take " + std::to_string(perStep) +
               " term evaluations: the " + std::to_string(kNewtonFewestSteps) +
               " steps a solution takes would pass the limit of " + std::to_string(kNewtonWork) + ".");
        return Refuse(kNewtonFailure);
    }
    const int first = errorLog.GetNumberOfEntries();
    if (SolveNewton(x, options.differenceStep, limit, residuals) != kSuccess) {
        RefuseBefore(first, UnsolvedText(unit, *options.network));
        return Refuse(kNewtonFailure);
    }
    for (size_t i = 0; i < unit.nodes.size(); ++i) known.Set(unit.nodes[i], x[i]);
    return kSuccess;
}

}  // namespace vovido
