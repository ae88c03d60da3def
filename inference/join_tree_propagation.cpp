// Join tree propagation: cluster potentials from the conditional tables sliced at the evidence, collect
// and distribute passes, beliefs written to the node values, and the probability of evidence.
#include "inference/join_tree.h"
#include "inference/table_layout.h"

#include "base/dmatrix.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/power_scaling.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace {

// Drops the observed nodes from list (in place, order kept) and sizes table over the others; a table
// over no node has one entry.
int SizeTableOverUnobserved(const PartView& part, int* list, int& count, PotentialTable& table) {
    int sizes[kMaxTableDimensions];
    int kept = 0;
    for (int q = 0; q < count; q++) {
        const int v = list[q];
        if (part.GetEvidence(v) >= 0) continue;
        list[kept] = v;
        sizes[kept] = part.GetNumberOfOutcomes(v);
        kept++;
    }
    count = kept;
    if (kept == 0) {
        sizes[0] = 1;
        return table.SetDimensions(sizes, 1);
    }
    return table.SetDimensions(sizes, kept);
}

// Program that walks a table over v's parents in reverse order (the last parent fastest, as v's own
// table has them) by index along their marginal, a table over vars (sizes their sizes, the first fastest).
// kOutOfRange when a parent is not in vars or the program is too long.
int BuildParentOrderProgram(const PartView& part, int v, const int* vars, const int* sizes, int count,
                            StrideProgram& program) {
    program.count = 0;
    const std::vector<int>& parents = part.GetParentIndices(v);
    // back: how far the parents walked so far moved the position, undone when the next one advances.
    int64_t back = 0;
    for (size_t j = parents.size(); j-- > 0;) {
        int64_t stride = 1;
        int q = 0;
        while (q < count && vars[q] != parents[j]) stride *= sizes[q++];
        if (q >= count) return kOutOfRange;
        const uint32_t s = static_cast<uint32_t>(sizes[q]);
        if (const int rc = program.Append(s - 1, s - 1, static_cast<int32_t>(stride + back))) return rc;
        back += (1 - static_cast<int64_t>(s)) * stride;
    }
    return program.Append(1, 1, 0);
}

// Without normalisation a cluster that takes many messages (a node with a thousand observed children)
// underflows to 0.0 although its posteriors are moderate. A table whose bound falls below 2^-256 is
// scaled up by a power of two, which is exact, and the tree keeps the exponent for the probability of
// evidence; above the threshold the tables hold the plain probabilities.
constexpr double kLowestLog2Peak = -256.0;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Cluster steps

void Cluster::FreeTables() {
    clusterTable.Free();
    separatorTable.Free();
    tableReady = 0;
    log2Peak_ = 0.0;
}

int Cluster::PrepareSeparator(const PartView& part) {
    return SizeTableOverUnobserved(part, separator, numSeparator, separatorTable);
}

// Program that walks v's conditional table (parents in order, then v; last dimension fastest) along
// this cluster's table; start receives the table entry of the observed family members' outcomes.
// 1 when v has no table, kOutOfRange when the table does not fit the family.
int Cluster::BuildFamilyProgram(const PartView& part, int v, StrideProgram& program,
                                const double*& start) const {
    const VRX_Dmatrix* table = part.GetNodeTable(v);
    if (table == nullptr || table->GetData() == nullptr) return 1;
    const std::vector<int>& parents = part.GetParentIndices(v);
    const int k = static_cast<int>(parents.size()) + 1;
    if (table->GetNumberOfDimensions() != k || k > kMaxTableDimensions) return kOutOfRange;
    const int* sizes = table->GetDimensions().GetItems();
    // The family's variables, each observed one held at its outcome.
    int family[kMaxTableDimensions];
    int pinned[kMaxTableDimensions];
    for (int d = 0; d < k; d++) {
        const int f = d + 1 < k ? parents[d] : v;
        if (f < 0 || sizes[d] != part.GetNumberOfOutcomes(f)) return kOutOfRange;
        family[d] = f;
        pinned[d] = part.GetEvidence(f);
    }
    int64_t offset = 0;
    if (const int rc = vovido::BuildMatrixProgram(*table, family, pinned, members,
                                                  clusterTable.GetDimensions(), numMembers, program, offset))
        return rc;
    start = table->GetData() + offset;
    return kSuccess;
}

int Cluster::InitializeTable(const PartView& part) {
    const int status = SizeTableOverUnobserved(part, members, numMembers, clusterTable);
    tableReady = 0;
    log2Peak_ = 0.0;
    if (status != kSuccess) return status;
    StrideProgram program;
    for (int f = 0; f < numFamilies; f++) {
        const double* start = nullptr;
        const int built = BuildFamilyProgram(part, families[f], program, start);
        if (built < 0) return built;
        if (built > 0) continue;  // no table: a factor of ones
        if (tableReady == 0) {
            StrideCopy(clusterTable.GetEntries(), clusterTable.GetCount(), start, program);
            tableReady = 1;
        } else {
            StrideMultiply(clusterTable.GetEntries(), clusterTable.GetCount(), start, program);
        }
    }
    return kSuccess;
}

void Cluster::CompilePrograms() {
    toSeparator.count = 0;
    parentToSeparator.count = 0;
    if (parentCluster == nullptr || numSeparator == 0) return;
    if (BuildStrideProgram(clusterTable, toSeparator, members, numMembers, separator, numSeparator) !=
            kSuccess ||
        BuildStrideProgram(parentCluster->clusterTable, parentToSeparator, parentCluster->members,
                           parentCluster->numMembers, separator, numSeparator) != kSuccess) {
        toSeparator.count = 0;
        parentToSeparator.count = 0;
    }
}

void Cluster::MakeReady() {
    if (tableReady != 0) return;
    clusterTable.Fill(1.0);
    tableReady = 1;
}

int Cluster::SendToParent() {
    if (toSeparator.count > 0) {
        MakeReady();
        separatorTable.Fill(0.0);
        StrideMarginalize(clusterTable.GetEntries(), clusterTable.GetCount(), separatorTable.GetEntries(),
                          toSeparator);
    }
    if (parentToSeparator.count <= 0) return 0;
    Cluster& parent = *parentCluster;
    const double* message = separatorTable.GetEntries();
    const int n = separatorTable.GetCount();
    double peak = 0.0;
    for (int i = 0; i < n; i++) peak = message[i] > peak ? message[i] : peak;
    const double log2Peak = peak > 0.0 ? std::log2(peak) : 0.0;
    if (parent.tableReady != 0) {
        StrideMultiply(parent.clusterTable.GetEntries(), parent.clusterTable.GetCount(), message,
                       parentToSeparator);
        parent.log2Peak_ += log2Peak;
    } else {
        StrideCopy(parent.clusterTable.GetEntries(), parent.clusterTable.GetCount(), message,
                   parentToSeparator);
        parent.tableReady = 1;
        parent.log2Peak_ = log2Peak;
    }
    if (parent.log2Peak_ >= kLowestLog2Peak) return 0;
    const int shift = -static_cast<int>(std::floor(parent.log2Peak_));
    vovido::ScaleUp(parent.clusterTable.GetEntries(), parent.clusterTable.GetCount(), shift);
    parent.log2Peak_ += shift;
    return shift;
}

// The old message moves to scratch (whose buffer serves every cluster in turn); the separator takes
// the new one and the cluster table is rescaled by new / old.
int Cluster::ReceiveFromParent(PotentialTable& scratch) {
    separatorTable.Swap(scratch);
    if (scratch.GetNumberOfDimensions() > 0) {
        const int status =
            separatorTable.SetDimensions(scratch.GetDimensions(), scratch.GetNumberOfDimensions());
        if (status != kSuccess) return status;
    }
    if (parentToSeparator.count > 0) {
        separatorTable.Fill(0.0);
        StrideMarginalize(parentCluster->clusterTable.GetEntries(), parentCluster->clusterTable.GetCount(),
                          separatorTable.GetEntries(), parentToSeparator);
    }
    if (toSeparator.count > 0) {
        StrideUpdate(clusterTable.GetEntries(), clusterTable.GetCount(), separatorTable.GetEntries(),
                     scratch.GetEntries(), toSeparator);
    }
    return kSuccess;
}

double Cluster::TableMass() const {
    return tableReady != 0 ? clusterTable.Sum() : static_cast<double>(clusterTable.GetCount());
}

// ---------------------------------------------------------------------------------------------------
// JoinTree propagation

int JoinTree::InitializePotentials() {
    for (Cluster* c : clusters_) {
        int status = kSuccess;
        if (c->parentCluster != nullptr) status = c->PrepareSeparator(part_);
        if (status == kSuccess) status = c->InitializeTable(part_);
        if (status != kSuccess) return status;
    }
    for (Cluster* c : clusters_) c->CompilePrograms();
    return kSuccess;
}

void JoinTree::CollectEvidence() {
    scaleExponent_ = 0;
    for (Cluster* c : postOrder_) {
        if (c != root_) scaleExponent_ += c->SendToParent();
    }
}

int JoinTree::DistributeEvidence() {
    for (Cluster* c : preOrder_) {
        if (c == root_) continue;
        if (const int status = c->ReceiveFromParent(scratch_)) return status;
    }
    return kSuccess;
}

// After distribution every cluster of a connected piece of the tree holds the same mass, so the
// smallest cluster of each piece tells it. Pieces are split where a separator holds no unobserved node,
// since nothing passes there. Impossible evidence leaves every table of its piece at exactly 0.0. The
// pieces are judged one by one: the product of many small but possible masses may underflow.
bool JoinTree::EveryPieceHasMass() const {
    const int m = pool_.GetNumberTaken();
    std::vector<int> piece(static_cast<size_t>(m), -1);
    std::vector<char> seen(static_cast<size_t>(m), 0);
    for (const Cluster* c : preOrder_) {
        const bool top = c == root_ || c->toSeparator.count == 0;
        piece[c->index] = top ? c->index : piece[c->parentCluster->index];
    }
    for (const Cluster* c : clusters_) {
        const int k = piece[c->index];
        if (k < 0 || seen[k] != 0) continue;
        seen[k] = 1;
        // A mass that is no number came of an overflow, not of impossible evidence: the beliefs tell.
        const double mass = c->TableMass();
        if (!(mass > 0.0) && !std::isnan(mass)) return false;
    }
    return true;
}

int JoinTree::LogImpossibleEvidence() {
    return LogError(errorLog, kConflictingEvidence,
                    "Evidence is impossible: its probability is zero, so no beliefs can be computed.",
                    nullptr);
}

struct JoinTree::KeptBeliefs {
    std::vector<int> chosen;
    // The marginals of the chosen nodes, one after another.
    std::vector<double> marginals;
    // Where each node's marginal starts in marginals, for the nodes left out below a single parent.
    std::vector<size_t> keptAt;
};

bool JoinTree::IsRequested(const unsigned char* requested, int v) const {
    const int h = part_.GetNodeHandle(v);
    return (requested != nullptr && h >= 0 && requested[h] != 0) || part_.IsRequested(v);
}

int JoinTree::KeepBelief(int v, const PotentialTable& marginal, KeptBeliefs& kept) {
    const double sum = marginal.Sum();
    if (!(sum > 0.0) && !std::isnan(sum)) return LogImpossibleEvidence();
    try {
        if (!kept.keptAt.empty()) kept.keptAt[static_cast<size_t>(v)] = kept.marginals.size();
        kept.chosen.push_back(v);
        for (int x = 0; x < marginal.GetCount(); x++)
            kept.marginals.push_back(marginal.GetEntries()[x] / sum);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

int JoinTree::KeepMemberBeliefs(const unsigned char* requested, KeptBeliefs& kept) {
    const int n = part_.GetNumberOfNodes();
    std::vector<char> done;
    try {
        done.assign(static_cast<size_t>(n), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    // Each member is read from the first cluster that holds it.
    const int inTree = n - static_cast<int>(leftOut_.size());
    int marked = 0;
    PotentialTable marginal;
    StrideProgram program;
    for (Cluster* c : clusters_) {
        for (int q = 0; q < c->numMembers && marked < inTree; q++) {
            const int v = c->members[q];
            if (done[v] != 0) continue;
            done[v] = 1;
            marked++;
            if (!IsRequested(requested, v)) continue;
            const int k = part_.GetNumberOfOutcomes(v);
            if (marginal.SetDimensions(&k, 1) != kSuccess) return kOutOfMemory;
            if (BuildStrideProgram(c->clusterTable, program, c->members, c->numMembers, &v, 1) != kSuccess) {
                return kOutOfRange;
            }
            c->MakeReady();
            marginal.Fill(0.0);
            StrideMarginalize(c->clusterTable.GetEntries(), c->clusterTable.GetCount(), marginal.GetEntries(),
                              program);
            if (const int rc = KeepBelief(v, marginal, kept)) return rc;
        }
        if (marked >= inTree) break;
    }
    return kSuccess;
}

int JoinTree::KeepLeftOutBeliefs(const unsigned char* requested, KeptBeliefs& kept) {
    PotentialTable marginal;
    ParentMarginal parents;
    // What the next requested node must make anew: a run whose first nodes are not requested leaves its
    // marginal to the first that is.
    int owed = 0;
    for (const std::pair<int, int>& read : leftOutReads_) {
        owed = std::max(owed, read.second);
        const size_t i = static_cast<size_t>(read.first);
        const int v = leftOut_[i];
        if (!IsRequested(requested, v)) continue;
        const int k = part_.GetNumberOfOutcomes(v);
        if (marginal.SetDimensions(&k, 1) != kSuccess) return kOutOfMemory;
        // A single parent whose belief was read gives its marginal without another pass over the cluster.
        const std::vector<int>& list = part_.GetParentIndices(v);
        const size_t at = list.size() == 1 ? kept.keptAt[static_cast<size_t>(list[0])] : SIZE_MAX;
        const double* known = at != SIZE_MAX ? kept.marginals.data() + at : nullptr;
        if (const int rc = ReadLeftOutBelief(i, owed, known, parents, marginal.GetEntries())) return rc;
        owed = 0;
        if (const int rc = KeepBelief(v, marginal, kept)) return rc;
    }
    return kSuccess;
}

int JoinTree::WriteKeptBeliefs(unsigned char* requested, const KeptBeliefs& kept) {
    size_t offset = 0;
    for (int v : kept.chosen) {
        const int k = part_.GetNumberOfOutcomes(v);
        double* buffer = part_.GetBeliefBuffer(v);
        if (buffer == nullptr) return kOutOfMemory;
        for (int x = 0; x < k; x++) buffer[x] = kept.marginals[offset + static_cast<size_t>(x)];
        offset += static_cast<size_t>(k);
        part_.MarkUpToDate(v);
        const int h = part_.GetNodeHandle(v);
        if (requested != nullptr && h >= 0) requested[h] = 0;
    }
    return kSuccess;
}

int JoinTree::WriteBeliefs(unsigned char* requested) {
    KeptBeliefs kept;
    try {
        if (!leftOut_.empty()) kept.keptAt.assign(static_cast<size_t>(part_.GetNumberOfNodes()), SIZE_MAX);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    // Every marginal is computed before any is written, so a part whose evidence turns out impossible
    // keeps its old beliefs and its requested entries.
    if (const int rc = KeepMemberBeliefs(requested, kept)) return rc;
    if (const int rc = KeepLeftOutBeliefs(requested, kept)) return rc;
    return WriteKeptBeliefs(requested, kept);
}

int JoinTree::SortedParents(int v, int* vars, int* sizes) const {
    int count = 0;
    for (int p : part_.GetParentIndices(v)) {
        if (count < kMaxTableDimensions) vars[count++] = p;
    }
    std::sort(vars, vars + count);
    for (int q = 0; q < count; q++) sizes[q] = part_.GetNumberOfOutcomes(vars[q]);
    return count;
}

int JoinTree::ReadLeftOutBelief(size_t i, int fresh, const double* known, ParentMarginal& parents,
                                double* belief) {
    const int v = leftOut_[i];
    Cluster* c = leftOutCluster_[i];
    const VRX_Dmatrix* table = part_.GetNodeTable(v);
    if (c == nullptr || table == nullptr || table->GetData() == nullptr) return kOutOfRange;
    if (fresh > 0) {
        int vars[kMaxTableDimensions];
        int sizes[kMaxTableDimensions];
        const int count = SortedParents(v, vars, sizes);
        StrideProgram program;
        if (fresh > 1) {
            parents.source = nullptr;
            c->MakeReady();
            // The cluster table itself when it holds nothing else.
            if (known != nullptr && count == 1) {
                if (const int rc = parents.marginal.SetDimensions(sizes, count)) return rc;
                for (int x = 0; x < sizes[0]; x++) parents.marginal.GetEntries()[x] = known[x];
                parents.source = &parents.marginal;
            } else if (count == c->numMembers) {
                parents.source = &c->clusterTable;
            } else {
                if (const int rc = parents.marginal.SetDimensions(sizes, count)) return rc;
                if (BuildStrideProgram(c->clusterTable, program, c->members, c->numMembers, vars, count) !=
                    kSuccess)
                    return kOutOfRange;
                parents.marginal.Fill(0.0);
                StrideMarginalize(c->clusterTable.GetEntries(), c->clusterTable.GetCount(),
                                  parents.marginal.GetEntries(), program);
                parents.source = &parents.marginal;
            }
        }
        if (parents.source == nullptr) return kOutOfRange;
        parents.read = parents.source;
        if (count > 1) {
            // Reordered once, so that every table over the same parents in this order is read in one pass.
            const int entries = parents.source->GetCount();
            if (const int rc = parents.ordered.SetDimensions(&entries, 1)) return rc;
            if (BuildParentOrderProgram(part_, v, vars, sizes, count, program) != kSuccess)
                return kOutOfRange;
            StrideCopy(parents.ordered.GetEntries(), parents.ordered.GetCount(), parents.source->GetEntries(),
                       program);
            parents.read = &parents.ordered;
        }
    }
    if (parents.read == nullptr) return kOutOfRange;
    const int k = part_.GetNumberOfOutcomes(v);
    for (int x = 0; x < k; x++) belief[x] = 0.0;
    const double* weights = parents.read->GetEntries();
    const double* column = table->GetData();
    for (int j = 0; j < parents.read->GetCount(); j++, column += k) {
        const double w = weights[j];
        for (int x = 0; x < k; x++) belief[x] += column[x] * w;
    }
    return kSuccess;
}

uint64_t JoinTree::EstimateTableEntries() const {
    const auto size = [this](int v) -> uint64_t {
        const int n = part_.GetEvidence(v) >= 0 ? 1 : part_.GetNumberOfOutcomes(v);
        return n > 1 ? static_cast<uint64_t>(n) : 1u;
    };
    // Products saturate: a table past 2^62 entries is as impossible as one of exactly that size.
    constexpr uint64_t kCap = uint64_t{1} << 62;
    const auto product = [&size](const int* nodes, int count) {
        uint64_t entries = 1;
        for (int q = 0; q < count && entries < kCap; ++q) {
            const uint64_t s = size(nodes[q]);
            entries = entries > kCap / s ? kCap : entries * s;
        }
        return entries;
    };
    uint64_t total = 0;
    for (const Cluster* c : clusters_) {
        total += product(c->members, c->numMembers);
        if (c->parentCluster != nullptr) total += product(c->separator, c->numSeparator);
        if (total >= kCap) return kCap;
    }
    return total;
}

uint64_t JoinTree::EstimatePassEntries(const unsigned char* requested) const {
    constexpr uint64_t kCap = uint64_t{1} << 62;
    const int n = part_.GetNumberOfNodes();
    std::vector<char> done(static_cast<size_t>(n), 0);
    uint64_t total = 0;
    for (const Cluster* c : clusters_) {
        uint64_t entries = 1;
        uint64_t passes = static_cast<uint64_t>(c->numFamilies);
        for (int q = 0; q < c->numMembers; q++) {
            const int v = c->members[q];
            if (part_.GetEvidence(v) >= 0) continue;
            entries =
                std::min(kCap, entries * static_cast<uint64_t>(std::max(part_.GetNumberOfOutcomes(v), 1)));
            if (done[v] != 0) continue;
            done[v] = 1;
            const int h = part_.GetNodeHandle(v);
            if ((requested != nullptr && h >= 0 && requested[h] != 0) || part_.IsRequested(v)) passes++;
        }
        // A message to the parent is marginalised and absorbed, and on its way back marginalised and
        // absorbed again: two passes over each end, where the separator holds an unobserved node.
        if (c->parentCluster != nullptr && std::any_of(c->separator, c->separator + c->numSeparator,
                                                       [this](int v) { return part_.GetEvidence(v) < 0; }))
            passes += 2;
        for (int k = 0; k < c->childClusters.GetCount(); k++) {
            const Cluster& child = pool_[c->childClusters[k]];
            if (std::any_of(child.separator, child.separator + child.numSeparator,
                            [this](int v) { return part_.GetEvidence(v) < 0; }))
                passes += 2;
        }
        total = std::min(kCap, total + std::min(kCap / std::max<uint64_t>(passes, 1), entries) * passes);
    }
    // Nodes left out, in reading order: each run of a parent set marginalises its cluster once where it
    // holds more than the parents, each run of a parent order reorders the marginal once, and each node
    // walks its table along it.
    int owed = 0;
    for (const std::pair<int, int>& read : leftOutReads_) {
        owed = std::max(owed, read.second);
        const size_t i = static_cast<size_t>(read.first);
        const int v = leftOut_[i];
        const Cluster* c = i < leftOutCluster_.size() ? leftOutCluster_[i] : nullptr;
        const int h = part_.GetNodeHandle(v);
        if (c == nullptr || !((requested != nullptr && h >= 0 && requested[h] != 0) || part_.IsRequested(v)))
            continue;
        int vars[kMaxTableDimensions];
        int sizes[kMaxTableDimensions];
        const int count = SortedParents(v, vars, sizes);
        uint64_t parents = 1;
        for (int q = 0; q < count; q++) parents = std::min(kCap, parents * static_cast<uint64_t>(sizes[q]));
        uint64_t cluster = 1;
        int unobserved = 0;
        for (int q = 0; q < c->numMembers; q++) {
            const int m = c->members[q];
            if (part_.GetEvidence(m) >= 0) continue;
            unobserved++;
            cluster =
                std::min(kCap, cluster * static_cast<uint64_t>(std::max(part_.GetNumberOfOutcomes(m), 1)));
        }
        const uint64_t outcomes = static_cast<uint64_t>(std::max(part_.GetNumberOfOutcomes(v), 1));
        uint64_t walks = std::min(kCap / outcomes, parents) * outcomes;
        const std::vector<int>& list = part_.GetParentIndices(v);
        const int ph = count == 1 ? part_.GetNodeHandle(list[0]) : -1;
        const bool parentRead = count == 1 && ((requested != nullptr && ph >= 0 && requested[ph] != 0) ||
                                               part_.IsRequested(list[0]));
        if (owed > 1 && unobserved != count && !parentRead) walks += cluster;
        if (owed > 0 && count > 1) walks += parents;
        owed = 0;
        total = std::min(kCap, total + walks);
    }
    return total;
}

bool JoinTree::Run(unsigned char* requested, uint32_t limit) {
    return RunOver(requested, Build(limit));
}

bool JoinTree::RunBuilt(unsigned char* requested) {
    return RunOver(requested, true);
}

bool JoinTree::RunOver(unsigned char* requested, bool built) {
    lastStatus_ = kSuccess;
    ranOutOfMemory_ = false;
    if (!built || EstimateTableEntries() > kDefaultJoinTreeLimit) {
        lastStatus_ = kOutOfMemory;
        ranOutOfMemory_ = buildRanOutOfMemory_;
    } else {
        lastStatus_ = AssignFamilies();
        const bool tooLong =
            lastStatus_ == kSuccess && EstimatePassEntries(requested) > kMaxJoinTreePassEntries;
        if (lastStatus_ == kSuccess && !tooLong) lastStatus_ = InitializePotentials();
        if (lastStatus_ == kSuccess && !tooLong) {
            CollectEvidence();
            lastStatus_ = DistributeEvidence();
            if (lastStatus_ == kSuccess) {
                bool possible = false;
                try {
                    possible = EveryPieceHasMass();
                } catch (const std::bad_alloc&) {
                    lastStatus_ = kOutOfMemory;
                }
                // Zero mass means the part's evidence has probability zero: every marginal sums to 0.0.
                if (lastStatus_ == kSuccess) {
                    lastStatus_ = possible ? WriteBeliefs(requested) : LogImpossibleEvidence();
                }
            }
        }
        // Within the limits, every table fits an int: only memory can have failed.
        ranOutOfMemory_ = lastStatus_ == kOutOfMemory;
        if (tooLong) lastStatus_ = kOutOfMemory;
    }
    FreeClusterTables();
    return lastStatus_ == kSuccess;
}

// Children of a cluster are absorbed from the last to the first, each right after its own subtree,
// and freed at once: only the tables along the current path (and their parents) exist together.
int JoinTree::CollectForEvidence(double& factor) {
    if (root_ == nullptr) return kSuccess;
    std::vector<std::pair<Cluster*, int>> stack;
    stack.reserve(clusters_.size());
    stack.emplace_back(root_, root_->childClusters.GetCount() - 1);
    while (!stack.empty()) {
        auto& top = stack.back();
        if (top.second >= 0) {
            Cluster* child = &pool_[top.first->childClusters[top.second--]];
            stack.emplace_back(child, child->childClusters.GetCount() - 1);
            continue;
        }
        Cluster* k = top.first;
        stack.pop_back();
        if (k == root_) break;
        Cluster* c = k->parentCluster;
        int status = kSuccess;
        if (c->clusterTable.GetCount() == 0) status = c->InitializeTable(part_);
        if (status == kSuccess && k->clusterTable.GetCount() == 0) status = k->InitializeTable(part_);
        if (status == kSuccess) status = k->PrepareSeparator(part_);
        if (status != kSuccess) return status;
        k->CompilePrograms();
        scaleExponent_ += k->SendToParent();
        // A cluster that passes nothing to its parent contributes its own mass as a factor.
        if (k->toSeparator.count == 0) factor *= k->TableMass();
        k->FreeTables();
        k->childClusters.CleanUp();
    }
    return kSuccess;
}

double JoinTree::ComputeProbEvidence() {
    lastStatus_ = kSuccess;
    ranOutOfMemory_ = false;
    // The same limit as for beliefs: the triangulation's estimate of the tables decides before any of
    // them is allocated, although this pass holds only the tables along one path at a time.
    if (!Build(kDefaultLimit) || EstimateTableEntries() > kDefaultJoinTreeLimit) {
        FreeClusterTables();
        lastStatus_ = kOutOfMemory;
        ranOutOfMemory_ = buildRanOutOfMemory_;
        return -1.0;
    }
    double factor = 1.0;
    scaleExponent_ = 0;
    int status = AssignFamilies();
    if (status == kSuccess) {
        try {
            status = CollectForEvidence(factor);
        } catch (const std::bad_alloc&) {
            status = kOutOfMemory;
        }
    }
    if (status == kSuccess && root_ != nullptr && root_->clusterTable.GetCount() == 0) {
        status = root_->InitializeTable(part_);
    }
    double result = -1.0;
    if (status == kSuccess) {
        result = std::ldexp(root_ != nullptr ? root_->TableMass() * factor : factor, -scaleExponent_);
    }
    lastStatus_ = status;
    ranOutOfMemory_ = status == kOutOfMemory;
    FreeClusterTables();
    return result;
}

void JoinTree::FreeClusterTables() {
    for (size_t i = clusters_.size(); i-- > 0;) {
        clusters_[i]->FreeTables();
        clusters_[i]->childClusters.CleanUp();
    }
    scratch_.Free();
}
