// PC structure learning: independence tests remove edges, then the rest are oriented.
#include "learning/pc.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/error_log.h"
#include "base/out_of_memory.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "learning/ad_tree.h"
#include "learning/background_knowledge.h"
#include "learning/correlation_matrix.h"
#include "learning/data_set.h"
#include "learning/learner_settings.h"
#include "learning/learning_statistics.h"
#include "learning/pattern.h"

namespace {

int Refuse(const std::string& message) {
    LogError(errorLog, kFailure, message.c_str(), nullptr);
    return kFailure;
}

std::string CheckData(const DataSet& data) {
    const int n = data.GetVariableCount();
    const int records = data.GetRecordCount();
    if (records < 3) return "pc: too few data points";
    if (n < 2) return "pc: too few variables";
    int discrete = 0;
    for (int v = 0; v < n; ++v) discrete += data.GetVariable(v).discrete ? 1 : 0;
    if (discrete != 0 && discrete != n)
        return "pc: a mix of continuous and discrete variables is not allowed";
    std::vector<char> varies(n, 0);
    int constant = n;
    for (int r = 1; r < records && constant > 0; ++r) {
        for (int v = 0; v < n; ++v) {
            if (varies[v] != 0) continue;
            const bool differs = data.GetVariable(v).discrete ? data.GetInt(v, r) != data.GetInt(v, 0)
                                                              : !(data.GetFloat(v, r) == data.GetFloat(v, 0));
            if (differs) {
                varies[v] = 1;
                --constant;
            }
        }
    }
    if (constant > 0) {
        std::string message = "pc: constant not allowed:";
        for (int v = 0; v < n; ++v) {
            if (varies[v] == 0) message += " " + data.Label(v);
        }
        return message;
    }
    std::string missing;
    for (int v = 0; v < n; ++v) {
        if (data.HasMissing(v)) missing += " " + data.Label(v);
    }
    if (!missing.empty()) return "pc: missing values not allowed:" + missing + "\n";
    // Correlations over an infinite value are no numbers, and a test that gives none keeps its edge.
    for (int v = 0; v < n; ++v) {
        const int r = data.FirstNonFinite(v);
        if (r >= 0) return NonFiniteText("pc", data, v, r, "tested");
    }
    return std::string();
}

// The background knowledge must name variables of the data and its forced arcs close no cycle.
std::string CheckKnowledge(const PcOptions& options, const DataSet& data) {
    const std::string fault =
        KnowledgeFault(options.forcedArcs, options.forbiddenArcs, options.tiers, true, data);
    if (!fault.empty()) return "pc: " + fault;
    const int n = data.GetVariableCount();
    for (int v : options.excluded) {
        const std::string outside = VariableIndexFault(v, "excluded variable list", n);
        if (!outside.empty()) return "pc: " + outside;
    }
    return {};
}

// State indices of each discrete variable: its cells when they all index its state names, otherwise
// its distinct values in ascending order (integer-coded data carry no names).
std::unique_ptr<AdTree> BuildCounts(const DataSet& data) {
    const int n = data.GetVariableCount();
    const int records = data.GetRecordCount();
    std::vector<std::vector<int32_t>> columns(n);
    std::vector<int> states(n);
    for (int v = 0; v < n; ++v) {
        std::vector<int32_t>& column = columns[v];
        column.resize(records);
        const int names = static_cast<int>(data.GetVariable(v).stateNames.size());
        bool indexed = names > 0;
        for (int r = 0; r < records; ++r) {
            column[r] = data.GetInt(v, r);
            indexed = indexed && column[r] >= 0 && column[r] < names;
        }
        if (indexed) {
            states[v] = names;
            continue;
        }
        std::vector<int32_t> values(column);
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        for (int32_t& cell : column) {
            cell =
                static_cast<int32_t>(std::lower_bound(values.begin(), values.end(), cell) - values.begin());
        }
        states[v] = static_cast<int>(values.size());
    }
    return std::make_unique<AdTree>(std::move(columns), std::move(states));
}

class PcRun {
public:
    PcRun(const PcOptions& options, const DataSet& data, Pattern& pattern, PcProgress* progress)
        : options_(options), data_(data), m_(pattern), progress_(progress), n_(data.GetVariableCount()) {}

    int Run();

private:
    bool Continue() const { return progress_ == nullptr || progress_->Continue(); }
    bool CanHaveFreedom(int x, int y, const std::vector<int>& set, int rows) const;
    double GSquare(const int* cells, int sx, int sy, int64_t blocks);
    struct Projection {
        int level = -1;  // the level it was made for
        bool usable = false;
        CountProjection rows;
        std::vector<int> column;  // variable -> its column, -1 when not projected
    };
    const Projection* ProjectionOf(int x);
    bool AnySetHasFreedom(int x, int y, int level) const;
    double SparseGSquare(const CountProjection& projection, int columnX, int columnY, const int* blockOf,
                         int64_t blocks);
    const int* SetBlocks(const CountProjection& projection);
    double DiscreteTest(int x, int y, const std::vector<int>& set, const Projection* projection);
    double FisherZ(int x, int y, const std::vector<int>& set) const;
    void FindSepset(int level, int x, int y, double& best, std::vector<int>& bestSet);
    bool TestPair(int level, int x, int y, std::vector<int>& set);
    int RemoveEdges();
    int Orient();
    int Tier(int v) const;
    // Forced and forbidden arcs, and arcs from an earlier tier to a later one.
    void OrientByKnowledge(const std::vector<int>& tiers);
    // Unshielded colliders x -> z <- y where z did not separate x and y and the knowledge allows both
    // arrowheads; kLearningCancelled or 0.
    int OrientColliders();
    // No arc into an earlier tier, and arcs on a directed cycle undirected again (forced arcs stay).
    void UndoForbiddenOrientations(const std::vector<int>& tiers);
    // The orientations the others imply, to a fixed point; kLearningCancelled or 0.
    int PropagateOrientations();
    void OrientArc(int from, int to) {
        m_.Mark(from, to) = 2;
        m_.Mark(to, from) = 0;
    }
    // Whether an arrowhead may be put at `to` on the pair: not against a forced arc to -> from, nor on a
    // forbidden arc from -> to. Forced arcs so stay as given whatever the data suggests.
    bool MayPointAt(int from, int to) const {
        if (forced_.empty() && forbidden_.empty()) return true;
        return forced_.count(Key(to, from)) == 0 && forbidden_.count(Key(from, to)) == 0;
    }
    bool Forced(int i, int j) const { return forced_.count(Key(i, j)) != 0 || forced_.count(Key(j, i)) != 0; }
    int64_t Key(int from, int to) const { return int64_t{from} * n_ + to; }

    const PcOptions& options_;
    const DataSet& data_;
    Pattern& m_;
    PcProgress* progress_;
    const int n_;
    std::unique_ptr<AdTree> counts_;
    std::unique_ptr<CorrelationMatrix> correlations_;
    std::vector<double> logs_;  // logs_[k] = ln k
    std::vector<char> excluded_;
    // The separating set of each pair x < y found independent, by x * n + y: only removed edges have one,
    // so nothing of the order n * n is allocated before the tests run.
    std::unordered_map<int64_t, std::vector<int>> sepsets_;
    // The forced and the forbidden arcs, by Key.
    std::unordered_set<int64_t> forced_, forbidden_;
    // Working room of the tests.
    std::vector<int> candidates_, positions_, set_, variables_;
    std::vector<int> rowSums_, columnSums_;
    std::vector<int> cells_, xMargins_, yMargins_, setMargins_, touched_;
    // Joint states of the set's prefixes per projected row, and the positions they were built for.
    std::vector<std::vector<int>> partials_;
    std::vector<int> computedFor_;
    std::vector<Projection> projections_;
    std::vector<int> candidateColumns_;
    int level_ = 0;
    // Steps of the independence tests so far (the rows or records each reads, its table, the choice of
    // candidates and kPcStepsPerTest besides), and the tests made.
    int64_t work_ = 0;
    int64_t tests_ = 0;
    // p-values of the first side of a pair by conditioning set, reused by the second side.
    std::map<std::vector<int>, double> pairTests_;
    bool secondSide_ = false;
};

// Sets whose joint states leave no room for degrees of freedom are never counted: df = non-empty
// cells - (|x| + |y| - 1) * prod |z|, and at most `rows` cells are non-empty.
// A cell is non-empty only when some record, so some distinct row of the records, falls in it.
bool PcRun::CanHaveFreedom(int x, int y, const std::vector<int>& set, int rows) const {
    const int64_t margin = counts_->GetStateCount(x) + counts_->GetStateCount(y) - 1;
    int64_t blocks = 1;
    for (int z : set) {
        blocks *= counts_->GetStateCount(z);
        if (blocks * margin >= rows) return false;
    }
    return blocks * margin < rows;
}

// Whether the smallest sets of this size among x's candidates leave room for degrees of freedom.
bool PcRun::AnySetHasFreedom(int x, int y, int level) const {
    thread_local std::vector<int> sizes;
    sizes.clear();
    for (int z : candidates_) sizes.push_back(counts_->GetStateCount(z));
    std::partial_sort(sizes.begin(), sizes.begin() + level, sizes.end());
    const int64_t margin = counts_->GetStateCount(x) + counts_->GetStateCount(y) - 1;
    int64_t blocks = 1;
    for (int k = 0; k < level; ++k) {
        blocks *= sizes[k];
        if (blocks * margin >= counts_->GetRecordCount()) return false;
    }
    return true;
}

// The G-squared p-value of a table laid out x fastest, then y, then the conditioning set.
double PcRun::GSquare(const int* cells, int sx, int sy, int64_t blocks) {
    rowSums_.resize(sx);
    columnSums_.resize(sy);
    double sum = 0.0;
    int64_t nonEmpty = 0;
    const int blockSize = sx * sy;
    for (int64_t s = 0; s < blocks; ++s, cells += blockSize) {
        std::fill(rowSums_.begin(), rowSums_.end(), 0);
        std::fill(columnSums_.begin(), columnSums_.end(), 0);
        int total = 0;
        for (int b = 0; b < sy; ++b) {
            for (int a = 0; a < sx; ++a) {
                const int count = cells[a + sx * b];
                rowSums_[a] += count;
                columnSums_[b] += count;
                total += count;
            }
        }
        if (total == 0) continue;
        const double logTotal = logs_[total];
        for (int b = 0; b < sy; ++b) {
            for (int a = 0; a < sx; ++a) {
                const int count = cells[a + sx * b];
                if (count == 0) continue;
                ++nonEmpty;
                sum += count * (logs_[count] - logs_[rowSums_[a]] - logs_[columnSums_[b]] + logTotal);
            }
        }
    }
    const int64_t df = nonEmpty - (sx + sy - 1) * blocks;
    if (df <= 0) return 0.0;
    const float g2 = static_cast<float>(2.0 * sum);
    return chi_square_tail(static_cast<float>(df) / 2.0f, g2 / 2.0f);
}

// As GSquare, from the distinct rows of a projection (x and y its columns) and the block (joint
// state of the set) of every row: only cells that hold records are visited.
double PcRun::SparseGSquare(const CountProjection& projection, int columnX, int columnY, const int* blockOf,
                            int64_t blocks) {
    const int sx = projection.GetStateCount(columnX), sy = projection.GetStateCount(columnY);
    const size_t blockSize = static_cast<size_t>(sx) * sy;
    // Zero between tests; grown, never shrunk.
    if (cells_.size() < blocks * blockSize) cells_.resize(blocks * blockSize, 0);
    if (xMargins_.size() < static_cast<size_t>(blocks * sx)) xMargins_.resize(blocks * sx, 0);
    if (yMargins_.size() < static_cast<size_t>(blocks * sy)) yMargins_.resize(blocks * sy, 0);
    if (setMargins_.size() < static_cast<size_t>(blocks)) setMargins_.resize(blocks, 0);
    const int* weights = projection.GetWeights();
    const uint8_t* xs = projection.GetColumn(columnX);
    const uint8_t* ys = projection.GetColumn(columnY);
    const int rows = projection.GetRowCount();
    touched_.clear();
    for (int r = 0; r < rows; ++r) {
        const int block = blockOf[r], w = weights[r];
        const int cell = block * static_cast<int>(blockSize) + xs[r] + sx * ys[r];
        if (cells_[cell] == 0) touched_.push_back(r);
        cells_[cell] += w;
        xMargins_[block * sx + xs[r]] += w;
        yMargins_[block * sy + ys[r]] += w;
        setMargins_[block] += w;
    }
    double sum = 0.0;
    for (int r : touched_) {
        const int block = blockOf[r];
        const int count = cells_[block * static_cast<int>(blockSize) + xs[r] + sx * ys[r]];
        sum += count * (logs_[count] - logs_[xMargins_[block * sx + xs[r]]] -
                        logs_[yMargins_[block * sy + ys[r]]] + logs_[setMargins_[block]]);
    }
    for (int r : touched_) {
        const int block = blockOf[r];
        cells_[block * static_cast<int>(blockSize) + xs[r] + sx * ys[r]] = 0;
        xMargins_[block * sx + xs[r]] = 0;
        yMargins_[block * sy + ys[r]] = 0;
        setMargins_[block] = 0;
    }
    const int64_t df = static_cast<int64_t>(touched_.size()) - (sx + sy - 1) * blocks;
    if (df <= 0) return 0.0;
    const float g2 = static_cast<float>(2.0 * sum);
    return chi_square_tail(static_cast<float>(df) / 2.0f, g2 / 2.0f);
}

// The joint state of the set for every projected row, built on the prefix that the previous
// combination shares with this one (lexicographic order changes mostly the last members).
const int* PcRun::SetBlocks(const CountProjection& projection) {
    const int level = static_cast<int>(positions_.size());
    const int rows = projection.GetRowCount();
    if (partials_.size() < static_cast<size_t>(level) + 1) partials_.resize(level + 1);
    int from = 0;
    while (from < level && from < static_cast<int>(computedFor_.size()) &&
           computedFor_[from] == positions_[from])
        ++from;
    if (computedFor_.empty()) partials_[0].assign(rows, 0);
    for (int d = from; d < level; ++d) {
        int stride = 1;
        for (int k = 0; k < d; ++k) stride *= projection.GetStateCount(candidateColumns_[positions_[k]]);
        const uint8_t* column = projection.GetColumn(candidateColumns_[positions_[d]]);
        const int* below = partials_[d].data();
        partials_[d + 1].resize(rows);
        int* out = partials_[d + 1].data();
        for (int r = 0; r < rows; ++r) out[r] = below[r] + stride * column[r];
    }
    computedFor_ = positions_;
    return partials_[level].data();
}

// The records projected onto x and its neighbours, made once per variable and level: edges are only
// removed within a level, so it covers every later test of x in the level.
const PcRun::Projection* PcRun::ProjectionOf(int x) {
    Projection& cached = projections_[x];
    if (cached.level != level_) {
        cached.level = level_;
        variables_.assign({x});
        for (int z = 0; z < n_; ++z) {
            if (z != x && m_.Adjacent(x, z)) variables_.push_back(z);
        }
        cached.usable = counts_->Project(variables_.data(), static_cast<int>(variables_.size()), cached.rows);
        work_ += int64_t{counts_->GetRecordCount()} * static_cast<int64_t>(variables_.size());
        cached.column.assign(n_, -1);
        for (size_t k = 0; k < variables_.size(); ++k) cached.column[variables_[k]] = static_cast<int>(k);
    }
    return cached.usable ? &cached : nullptr;
}

double PcRun::DiscreteTest(int x, int y, const std::vector<int>& set, const Projection* projection) {
    const int rows = projection != nullptr ? projection->rows.GetRowCount() : counts_->GetRecordCount();
    if (!CanHaveFreedom(x, y, set, rows)) return 0.0;
    const int sx = counts_->GetStateCount(x), sy = counts_->GetStateCount(y);
    int64_t blocks = 1;
    for (int z : set) blocks *= counts_->GetStateCount(z);
    work_ += rows + (projection != nullptr ? 0 : kSearchStepsPerCell * sx * sy * blocks);
    if (projection != nullptr) {
        return SparseGSquare(projection->rows, projection->column[x], projection->column[y],
                             SetBlocks(projection->rows), blocks);
    }
    variables_.assign({x, y});
    variables_.insert(variables_.end(), set.begin(), set.end());
    const std::vector<int>* table = counts_->Table(variables_.data(), static_cast<int>(variables_.size()));
    return table != nullptr ? GSquare(table->data(), sx, sy, blocks) : 0.0;
}

double PcRun::FisherZ(int x, int y, const std::vector<int>& set) const {
    const double r = PartialCorrelation(*correlations_, x, y, set.data(), static_cast<int>(set.size()));
    const double records = correlations_->GetRecordCount();
    const double z =
        std::sqrt(records - static_cast<double>(set.size()) - 3.0) * 0.5 * std::log((1.0 + r) / (1.0 - r));
    return 2.0 - 2.0 * normal_cdf(std::fabs(z));
}

void PcRun::FindSepset(int level, int x, int y, double& best, std::vector<int>& bestSet) {
    best = 0.0;
    bestSet.clear();
    candidates_.clear();
    work_ += n_;
    for (int z = 0; z < n_; ++z) {
        if (z != x && z != y && m_.Mark(x, z) == 1 && excluded_[z] == 0) candidates_.push_back(z);
    }
    const int available = static_cast<int>(candidates_.size());
    if (available < level) return;
    positions_.resize(level);
    for (int k = 0; k < level; ++k) positions_[k] = k;
    const Projection* projection = nullptr;
    if (counts_ != nullptr && level > 0) {
        if (!AnySetHasFreedom(x, y, level)) return;
        projection = ProjectionOf(x);
        computedFor_.clear();
        if (projection != nullptr) {
            candidateColumns_.resize(available);
            for (int k = 0; k < available; ++k) candidateColumns_[k] = projection->column[candidates_[k]];
        }
    }
    do {
        set_.resize(level);
        for (int k = 0; k < level; ++k) set_[k] = candidates_[positions_[k]];
        double p;
        const auto known = secondSide_ ? pairTests_.find(set_) : pairTests_.end();
        if (known != pairTests_.end()) {
            p = known->second;
        } else {
            ++tests_;
            work_ += kPcStepsPerTest + (counts_ == nullptr ? int64_t{level} * level * level : 0);
            p = counts_ != nullptr ? DiscreteTest(x, y, set_, projection) : FisherZ(x, y, set_);
            if (!secondSide_) pairTests_.emplace(set_, p);
        }
        if (p >= options_.significance && p > best) {
            best = p;
            bestSet = set_;
        }
    } while (NextCombination(positions_, available));
}

bool PcRun::TestPair(int level, int x, int y, std::vector<int>& set) {
    double p1, p2;
    std::vector<int> s1, s2;
    pairTests_.clear();
    secondSide_ = false;
    FindSepset(level, x, y, p1, s1);
    secondSide_ = true;
    FindSepset(level, y, x, p2, s2);
    if (!(p1 > 0.0) && !(p2 > 0.0)) return false;
    set = p1 > p2 ? s1 : s2;
    return true;
}

int PcRun::RemoveEdges() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    bool timeUp = false;
    std::vector<int> set;
    for (int level = 0;; ++level) {
        if (level > 0 && (level > n_ - 2 || level > options_.maxAdjacency || timeUp)) break;
        level_ = level;
        for (int x = 0; x < n_ && !timeUp; ++x) {
            for (int y = x + 1; y < n_ && !timeUp; ++y) {
                if (!m_.Adjacent(x, y)) continue;
                if (TestPair(level, x, y, set)) {
                    m_.Mark(x, y) = 0;
                    m_.Mark(y, x) = 0;
                    sepsets_[int64_t{x} * n_ + y] = set;
                }
                if (options_.maxTime > 0 &&
                    std::chrono::duration<double>(Clock::now() - start).count() > options_.maxTime) {
                    timeUp = true;
                }
                // Past the work limit the removal ends as it does when its time is up.
                if (work_ > kMaxSearchWorkSteps) {
                    timeUp = true;
                    const std::string text =
                        "Warning: pc: the removal of edges between " + std::to_string(n_) +
                        " variables over " + std::to_string(data_.GetRecordCount()) +
                        " records stopped after " + std::to_string(tests_) + " independence tests at level " +
                        std::to_string(level) + ", at the limit of " + std::to_string(kMaxSearchWorkSteps) +
                        " steps: the edges not yet removed are kept.";
                    LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
                }
                if (!Continue()) return kLearningCancelled;
            }
        }
    }
    return kSuccess;
}

int PcRun::Tier(int v) const {
    int tier = 0;
    for (const auto& entry : options_.tiers) {
        if (entry.first == v) tier = entry.second;
    }
    return tier;
}

int PcRun::Orient() {
    std::vector<int> tiers(n_, 0);
    for (int v = 0; v < n_; ++v) tiers[v] = Tier(v);
    OrientByKnowledge(tiers);
    if (OrientColliders() != kSuccess) return kLearningCancelled;
    UndoForbiddenOrientations(tiers);
    return PropagateOrientations();
}

void PcRun::OrientByKnowledge(const std::vector<int>& tiers) {
    for (const auto& arc : options_.forcedArcs) OrientArc(arc.first, arc.second);
    for (const auto& arc : options_.forbiddenArcs) {
        m_.Mark(arc.first, arc.second) = 0;
        if (m_.Mark(arc.second, arc.first) == 1) m_.Mark(arc.second, arc.first) = 2;
    }
    if (options_.tiers.empty()) return;
    for (int i = 0; i < n_; ++i) {
        for (int j = 0; j < n_; ++j) {
            if (i != j && m_.Mark(i, j) == 1 && m_.Mark(j, i) == 1 && tiers[i] < tiers[j]) OrientArc(i, j);
        }
    }
}

int PcRun::OrientColliders() {
    for (int z = 0; z < n_; ++z) {
        for (int x = 0; x < n_; ++x) {
            if (!Continue()) return kLearningCancelled;
            if (x == z || !m_.Adjacent(x, z)) continue;
            for (int y = x + 1; y < n_; ++y) {
                if (y == z || !m_.Adjacent(y, z) || m_.Adjacent(x, y)) continue;
                const auto separated = sepsets_.find(int64_t{x} * n_ + y);
                if (separated != sepsets_.end() &&
                    std::find(separated->second.begin(), separated->second.end(), z) !=
                        separated->second.end())
                    continue;
                if (!MayPointAt(x, z) || !MayPointAt(y, z)) continue;
                m_.Mark(x, z) = 2;
                m_.Mark(y, z) = 2;
                if (m_.Mark(z, x) == 1) m_.Mark(z, x) = 0;
                if (m_.Mark(z, y) == 1) m_.Mark(z, y) = 0;
            }
        }
    }
    return kSuccess;
}

void PcRun::UndoForbiddenOrientations(const std::vector<int>& tiers) {
    if (!options_.tiers.empty()) {
        for (int i = 0; i < n_; ++i) {
            for (int j = 0; j < n_; ++j) {
                if (i != j && m_.Mark(i, j) == 2 && tiers[j] < tiers[i]) m_.Mark(i, j) = 0;
            }
        }
    }
    if (!m_.HasCycle()) return;
    for (int i = 0; i < n_; ++i) {
        for (int j = 0; j < n_; ++j) {
            if (i != j && m_.Adjacent(i, j) && !Forced(i, j) && m_.HasDirectedPath(i, j) &&
                m_.HasDirectedPath(j, i)) {
                m_.Mark(i, j) = 1;
                m_.Mark(j, i) = 1;
            }
        }
    }
}

int PcRun::PropagateOrientations() {
    // Rule 1 (x -> z - y, x and y apart: z -> y) is skipped when y already reaches z, where z -> y
    // would close a directed cycle.
    for (bool changed = true; changed;) {
        if (!Continue()) return kLearningCancelled;
        changed = false;
        for (int z = 0; z < n_; ++z) {
            for (int x = 0; x < n_; ++x) {
                for (int y = x + 1; y < n_; ++y) {
                    if (z == x || z == y || m_.Adjacent(x, y)) continue;
                    if (m_.Mark(x, z) == 2 && m_.Mark(y, z) == 1) {
                        if (MayPointAt(z, y) && !m_.HasDirectedPath(y, z)) {
                            OrientArc(z, y);
                            changed = true;
                        }
                    } else if (m_.Mark(y, z) == 2 && m_.Mark(x, z) == 1) {
                        if (MayPointAt(z, x) && !m_.HasDirectedPath(x, z)) {
                            OrientArc(z, x);
                            changed = true;
                        }
                    }
                }
            }
        }
        for (int x = 0; x < n_; ++x) {
            for (int y = x + 1; y < n_; ++y) {
                if (m_.Mark(x, y) != 1) continue;
                const bool a = m_.HasDirectedPath(x, y), b = m_.HasDirectedPath(y, x);
                if (a && !b && MayPointAt(x, y)) {
                    OrientArc(x, y);
                    changed = true;
                } else if (b && !a && MayPointAt(y, x)) {
                    OrientArc(y, x);
                    changed = true;
                }
            }
        }
    }
    return kSuccess;
}

int PcRun::Run() {
    for (const std::string& fault :
         {PcMaxAdjacencyFault(options_.maxAdjacency), PcSignificanceFault(options_.significance)}) {
        if (!fault.empty()) return Refuse(fault);
    }
    const std::string refusal = CheckData(data_);
    if (!refusal.empty()) return Refuse(refusal);
    const std::string knowledge = CheckKnowledge(options_, data_);
    if (!knowledge.empty()) return Refuse(knowledge);
    // The first level tests every pair and orienting walks every triple, whatever the data: both are
    // counted before the tests start (the later levels stop at the limit).
    const int records = data_.GetRecordCount();
    const int64_t pairs = int64_t{n_} * (n_ - 1) / 2;
    // Orienting takes a pass over the triples for the colliders and at least one for what they imply.
    if (pairs * (records + kPcStepsPerTest + n_) + 2 * int64_t{n_} * n_ * n_ > kMaxSearchWorkSteps) {
        const std::string text =
            "pc: the tests of every pair of " + std::to_string(n_) + " variables over " +
            std::to_string(records) + " records and the orientation of every triple would take more than " +
            std::to_string(kMaxSearchWorkSteps) + " steps: fewer variables or records are needed";
        LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
        return kFailure;
    }
    if (!Continue()) return kLearningCancelled;
    if (m_.SetSize(n_) != kSuccess) return kFailure;  // the reason is logged
    for (int i = 0; i < n_; ++i) {
        for (int j = 0; j < n_; ++j) m_.Mark(i, j) = i == j ? 0 : 1;
    }
    if (!Continue()) return kLearningCancelled;
    if (data_.GetVariable(0).discrete) {
        counts_ = BuildCounts(data_);
        logs_.resize(static_cast<size_t>(data_.GetRecordCount()) + 1);
        logs_[0] = 0.0;
        for (size_t k = 1; k < logs_.size(); ++k) logs_[k] = std::log(static_cast<double>(k));
    } else {
        correlations_ = std::make_unique<CorrelationMatrix>(data_);
    }
    for (const auto& arc : options_.forcedArcs) forced_.insert(Key(arc.first, arc.second));
    for (const auto& arc : options_.forbiddenArcs) forbidden_.insert(Key(arc.first, arc.second));
    excluded_.assign(n_, 0);
    for (int v : options_.excluded) excluded_[v] = 1;
    sepsets_.clear();
    projections_.resize(n_);
    const int removed = RemoveEdges();
    if (removed != kSuccess) return removed;
    return Orient();
}

}  // namespace

bool NextCombination(std::vector<int>& positions, int available) {
    const int count = static_cast<int>(positions.size());
    int i = count - 1;
    while (i >= 0 && positions[i] == available - count + i) --i;
    if (i < 0) return false;
    ++positions[i];
    for (int k = i + 1; k < count; ++k) positions[k] = positions[k - 1] + 1;
    return true;
}

int LearnPc(const PcOptions& options, const DataSet& data, Pattern& pattern, PcProgress* progress) {
    return vovido::CatchOutOfMemory([&] {
        PcRun run(options, data, pattern, progress);
        return run.Run();
    });
}
