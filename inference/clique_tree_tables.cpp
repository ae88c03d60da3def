// Clique tree tables: loading the families, slicing at the evidence, collect and distribute, beliefs,
// marginals over variable sets, and copying a tree into another.
#include "inference/clique_tree.h"

#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "base/double_array.h"
#include "base/error_log.h"
#include "base/status_codes.h"
#include "inference/part_view.h"
#include "inference/power_scaling.h"
#include "inference/relevance_graph.h"
#include "model/node.h"
#include "model/node_value.h"

namespace {

// A clique table whose largest entry falls below 2^-256 is scaled up by a power of two, which is exact;
// beliefs and marginals are normalised, so the scale never shows. Without it a clique that takes
// hundreds of messages underflows to zero and looks impossible.
const double kLowestPeak = std::ldexp(1.0, -256);

// Index buffers at least this large are reused only on an exact fit.
constexpr int kLargestRemembered = 0x0FFFFFFF;

// Calls run(first, offset, length, step) for every run of a table with n dimensions of the given sizes,
// walked in index order: first is the index of the run's first entry, offset that of the matching entry
// of another table whose stride for each dimension is given (0 for a dimension it does not have); along
// the run that offset advances by step. Dimensions that step through the other table as one are merged,
// so runs are as long as the two layouts allow. A table over no dimension is one run of one entry.
template <typename Run>
void ForEachRun(const int* sizes, const int* strides, int n, int offset, Run run) {
    // Sizes of 1 are dropped, so an int-indexed table has at most 31 dimensions left.
    constexpr int kMaxDimensions = 32;
    int size[kMaxDimensions];
    int stride[kMaxDimensions];
    int count = 0;
    for (int d = n - 1; d >= 0; d--) {
        if (sizes[d] == 1) continue;
        if (count > 0 && strides[d] == stride[count - 1] * size[count - 1]) {
            size[count - 1] *= sizes[d];
            continue;
        }
        size[count] = sizes[d];
        stride[count] = strides[d];
        count++;
    }
    if (count == 0) {
        run(0, offset, 1, 0);
        return;
    }
    // Merged dimensions are held from the fastest (0) to the slowest.
    const int length = size[0];
    const int step = stride[0];
    int counter[kMaxDimensions] = {};
    int first = 0;
    for (;;) {
        run(first, offset, length, step);
        first += length;
        int d = 1;
        for (; d < count; d++) {
            offset += stride[d];
            if (++counter[d] < size[d]) break;
            offset -= stride[d] * size[d];
            counter[d] = 0;
        }
        if (d == count) return;
    }
}

// Strides of a row-major table over the given sizes.
std::vector<int> StridesOf(const VRX_intArray& sizes, int count) {
    std::vector<int> strides(static_cast<size_t>(count), 1);
    for (int q = count - 2; q >= 0; q--) strides[q] = strides[q + 1] * sizes[q + 1];
    return strides;
}

// Sets the table up over the sizes, or over one entry when there are none.
int SetUpTable(VRX_Dmatrix& table, const VRX_intArray& sizes, int count) {
    const int one = 1;
    const int rc = count > 0 ? table.SetupFromList(sizes.GetItems(), count) : table.SetupFromList(&one, 1);
    return rc == kSuccess ? kSuccess : kOutOfMemory;
}

uint64_t ProductOf(const VRX_intArray& sizes, int count) {
    uint64_t product = 1;
    for (int q = 0; q < count; q++) {
        const uint64_t s = static_cast<uint64_t>(sizes[q]);
        product = product > UINT64_MAX / s ? UINT64_MAX : product * s;
    }
    return product;
}

// Drops the observed variables (evidence at or above 0) with their sizes, keeping the order of the
// others; their number.
int KeepUnobserved(VRX_intArray& variables, VRX_intArray& sizes, const std::vector<int>& evidence) {
    const int count = variables.GetCount();
    int kept = 0;
    for (int q = 0; q < count; q++) {
        if (evidence[variables[q]] >= 0) continue;
        variables[kept] = variables[q];
        sizes[kept] = sizes[q];
        kept++;
    }
    variables.SetCount(kept);
    sizes.SetCount(kept);
    return kept;
}

int LogTooLarge(int variables, uint64_t entries) {
    char message[200];
    std::snprintf(message, sizeof message,
                  "Clique tree: a table over %d variables needs %" PRIu64
                  " entries, more than fit in memory.",
                  variables, entries);
    return LogError(errorLog, kOutOfMemory, message, nullptr);
}

int LogImpossibleEvidence() {
    return LogError(errorLog, kConflictingEvidence,
                    "Evidence is impossible: its probability is zero, so no beliefs can be computed.",
                    nullptr);
}

// Per-outcome sums of a table over the variable at position pos (the others summed out).
void SumOntoVariable(const double* table, int elements, int pos, const VRX_intArray& sizes, int count,
                     double* out) {
    int inner = 1;
    for (int q = pos + 1; q < count; q++) inner *= sizes[q];
    const int k = sizes[pos];
    for (int x = 0; x < k; x++) out[x] = 0.0;
    for (int block = 0; block < elements; block += k * inner) {
        for (int x = 0; x < k; x++) {
            const double* run = table + block + x * inner;
            double sum = 0.0;
            for (int t = 0; t < inner; t++) sum += run[t];
            out[x] += sum;
        }
    }
}

using IndexMapPool = std::vector<std::pair<int, std::unique_ptr<int[]>>>;

// An exactly fitting buffer first, else the smallest larger one, else a new one.
std::unique_ptr<int[]> TakeIndexMap(IndexMapPool& pool, int n, int& capacity) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(pool.size()); i++) {
        const int size = pool[i].first;
        if (pool[i].second == nullptr || size < n) continue;
        if (size == n) {
            best = i;
            break;
        }
        if (size < kLargestRemembered && (best < 0 || size < pool[best].first)) best = i;
    }
    if (best >= 0) {
        capacity = pool[best].first;
        return std::move(pool[best].second);
    }
    capacity = n;
    return std::unique_ptr<int[]>(new int[static_cast<size_t>(n)]);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Loading

int CliqueTree::ResetClique(Clique& clique) {
    const int count = clique.variables.GetCount();
    clique.tableSize = ProductOf(clique.sizes, count);
    if (SetUpTable(clique.table, clique.sizes, count) != kSuccess)
        return LogTooLarge(count, clique.tableSize);
    clique.table.FillWith(1.0);
    return kSuccess;
}

void CliqueTree::ComputeParentStrides(CliqueSeparator& separator) {
    const Clique& parent = cliques_[separator.parent];
    const int count = separator.variables.GetCount();
    const std::vector<int> own = StridesOf(separator.sizes, count);
    for (int q = 0; q < parent.variables.GetCount(); q++) {
        const int at = separator.FindVariable(parent.variables[q]);
        separator.parentStrides[q] = at >= 0 ? own[at] : 0;
    }
}

int CliqueTree::LinkToParent(CliqueSeparator& separator) {
    const Clique& parent = cliques_[separator.parent];
    if (separator.parentStrides.SetSize(parent.variables.GetCount()) != kSuccess) return kOutOfMemory;
    ComputeParentStrides(separator);
    const int length = parent.table.GetNumberOfElements();
    if (length > separator.indexMapCapacity) {
        separator.indexMap.reset(new int[static_cast<size_t>(length)]);
        separator.indexMapCapacity = length;
    }
    separator.indexMapLength = length;
    return kSuccess;
}

int CliqueTree::PrepareSeparator(CliqueSeparator& separator) {
    const int count = separator.variables.GetCount();
    separator.tableSize = ProductOf(separator.sizes, count);
    if (SetUpTable(separator.table, separator.sizes, count) != kSuccess)
        return LogTooLarge(count, separator.tableSize);
    return LinkToParent(separator);
}

int CliqueTree::LoadFamily(const PartView& part, int v) {
    const VRX_Dmatrix* table = part.GetNodeTable(v);
    if (table == nullptr || table->GetData() == nullptr) return kSuccess;  // a factor of ones
    const std::vector<int>& parents = part.GetParentIndices(v);
    const int k = static_cast<int>(parents.size()) + 1;
    if (table->GetNumberOfDimensions() != k) return kOutOfRange;
    const int* familySizes = table->GetDimensions().GetItems();
    const int* familyStrides = table->GetStrides().GetItems();
    for (int d = 0; d < k; d++) {
        if (familySizes[d] != nodeSizes_[d + 1 < k ? parents[d] : v]) return kOutOfRange;
    }
    Clique& clique = cliques_[homes_[v]];
    const int count = clique.variables.GetCount();
    std::vector<int> strides(static_cast<size_t>(count), 0);
    for (int q = 0; q < count; q++) {
        const int var = clique.variables[q];
        if (var == v) strides[q] = familyStrides[k - 1];
        for (int d = 0; d + 1 < k; d++) {
            if (parents[d] == var) strides[q] = familyStrides[d];
        }
    }
    double* entries = clique.table.GetData();
    const double* family = table->GetData();
    ForEachRun(clique.sizes.GetItems(), strides.data(), count, 0,
               [&](int first, int offset, int length, int step) {
                   double* run = entries + first;
                   for (int x = 0; x < length; x++) run[x] *= family[offset + x * step];
               });
    return kSuccess;
}

int CliqueTree::LoadTables(const PartView& part) {
    if (!built_ || part.GetNumberOfNodes() != n_) return kOutOfRange;
    loaded_ = false;
    propagated_ = false;
    // Sizes are checked before anything is allocated: no table may pass an int's reach, nor all together.
    for (const Clique& c : cliques_) {
        if (c.tableSize > static_cast<uint64_t>(INT_MAX))
            return LogTooLarge(c.variables.GetCount(), c.tableSize);
    }
    for (const CliqueSeparator& s : separators_) {
        if (s.tableSize > static_cast<uint64_t>(INT_MAX))
            return LogTooLarge(s.variables.GetCount(), s.tableSize);
    }
    const uint64_t total = GetTotalSize();
    if (total > static_cast<uint64_t>(INT_MAX)) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "Clique tree: its tables need %" PRIu64 " entries in all, more than fit in memory.",
                      total);
        return LogError(errorLog, kOutOfMemory, message, nullptr);
    }
    try {
        for (Clique& c : cliques_) {
            if (const int rc = ResetClique(c)) return rc;
        }
        for (CliqueSeparator& s : separators_) {
            if (const int rc = PrepareSeparator(s)) return rc;
        }
        for (int v = 0; v < n_; v++) {
            if (homes_[v] < 0) continue;
            if (const int rc = LoadFamily(part, v)) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    loaded_ = true;
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Evidence

int CliqueTree::SliceClique(Clique& clique) {
    const int count = clique.variables.GetCount();
    VRX_intArray coords;
    if (coords.SetSize(count) != kSuccess) return kOutOfMemory;
    int fixed = 0;
    for (int q = 0; q < count; q++) {
        coords[q] = evidence_[clique.variables[q]];
        fixed += coords[q] >= 0 ? 1 : 0;
    }
    if (fixed == 0) return kSuccess;
    if (fixed == count) {
        // Slicing every dimension away would leave no table; the one entry stays as a table of one.
        const VRX_intArray& strides = clique.table.GetStrides();
        int index = 0;
        for (int q = 0; q < count; q++) index += coords[q] * strides[q];
        const double value = clique.table[index];
        const int one = 1;
        if (clique.table.SetupFromList(&one, 1) != kSuccess) return kOutOfMemory;
        clique.table[0] = value;
    } else if (clique.table.ExtractSubMatrix(coords, clique.table) != kSuccess) {
        return kOutOfMemory;
    }
    const int kept = KeepUnobserved(clique.variables, clique.sizes, evidence_);
    clique.tableSize = ProductOf(clique.sizes, kept);
    return kSuccess;
}

int CliqueTree::SliceSeparator(CliqueSeparator& separator) {
    // Collect overwrites a separator's table before anything reads it, so only the shape changes.
    const int kept = KeepUnobserved(separator.variables, separator.sizes, evidence_);
    separator.tableSize = ProductOf(separator.sizes, kept);
    if (SetUpTable(separator.table, separator.sizes, kept) != kSuccess) return kOutOfMemory;
    return LinkToParent(separator);
}

int CliqueTree::EnterEvidence(const PartView& part) {
    if (!built_ || !loaded_ || part.GetNumberOfNodes() != n_) return kOutOfRange;
    for (int v = 0; v < n_; v++) {
        const int e = part.GetEvidence(v);
        if (e >= nodeSizes_[v]) return kOutOfRange;
    }
    for (int v = 0; v < n_; v++) evidence_[v] = part.GetEvidence(v) >= 0 ? part.GetEvidence(v) : -1;
    // From here the tables no longer match the structure: a failure leaves them to be built again.
    built_ = false;
    propagated_ = false;
    try {
        for (Clique& c : cliques_) {
            if (const int rc = SliceClique(c)) return rc;
        }
        for (CliqueSeparator& s : separators_) {
            if (const int rc = SliceSeparator(s)) return rc;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Propagation

void CliqueTree::Collect(CliqueSeparator& separator) {
    const int sn = separator.table.GetNumberOfElements();
    if (sn < 2) return;
    Clique& child = cliques_[separator.child];
    Clique& parent = cliques_[separator.parent];
    // The child's list ends with the separator's variables, so its entries run through the
    // separator's entries once per configuration of its other variables.
    double* message = separator.table.GetData();
    const double* from = child.table.GetData();
    const int cn = child.table.GetNumberOfElements();
    std::memcpy(message, from, sizeof(double) * static_cast<size_t>(sn));
    for (int j = sn; j < cn; j += sn) {
        const double* block = from + j;
        for (int t = 0; t < sn; t++) message[t] += block[t];
    }

    double* entries = parent.table.GetData();
    int* map = separator.indexMap.get();
    double largest = 0.0;
    ForEachRun(parent.sizes.GetItems(), separator.parentStrides.GetItems(), parent.variables.GetCount(), 0,
               [&](int first, int offset, int length, int step) {
                   for (int x = 0; x < length; x++) {
                       const int k = offset + x * step;
                       map[first + x] = k;
                       const double product = entries[first + x] * message[k];
                       entries[first + x] = product;
                       largest = product > largest ? product : largest;
                   }
               });
    if (largest > 0.0 && largest < kLowestPeak) {
        vovido::ScaleUp(entries, parent.table.GetNumberOfElements(), -std::ilogb(largest));
    }
}

void CliqueTree::Distribute(CliqueSeparator& separator) {
    const int sn = separator.table.GetNumberOfElements();
    if (sn < 2) return;
    Clique& child = cliques_[separator.child];
    const Clique& parent = cliques_[separator.parent];
    scratch_.assign(static_cast<size_t>(sn), 0.0);
    double* ratio = scratch_.data();
    const double* entries = parent.table.GetData();
    const int* map = separator.indexMap.get();
    const int pn = parent.table.GetNumberOfElements();
    for (int i = 0; i < pn; i++) ratio[map[i]] += entries[i];
    double* message = separator.table.GetData();
    for (int k = 0; k < sn; k++) {
        const double old = message[k];
        message[k] = old > 0.0 ? ratio[k] : 0.0;
        ratio[k] = old > 0.0 ? ratio[k] / old : 0.0;
    }
    double* to = child.table.GetData();
    const int cn = child.table.GetNumberOfElements();
    for (int j = 0; j < cn; j += sn) {
        double* block = to + j;
        for (int t = 0; t < sn; t++) block[t] *= ratio[t];
    }
}

// Pieces of the tree are split where a separator passes nothing; after collect the top clique of each
// piece holds its whole mass, which is zero exactly when the piece's evidence is impossible.
bool CliqueTree::EveryPieceHasMass() const {
    for (const Clique& c : cliques_) {
        if (c.parentSeparator >= 0 && separators_[c.parentSeparator].table.GetNumberOfElements() >= 2)
            continue;
        const double* entries = c.table.GetData();
        double mass = 0.0;
        for (int i = 0; i < c.table.GetNumberOfElements(); i++) mass += entries[i];
        if (!(mass > 0.0)) return false;
    }
    return true;
}

int CliqueTree::Propagate() {
    if (!loaded_) return kOutOfRange;
    // Collect would count the messages twice on tables that already hold them.
    if (propagated_) return kSuccess;
    try {
        for (int s = static_cast<int>(separators_.size()) - 1; s >= 0; s--) Collect(separators_[s]);
        if (!EveryPieceHasMass()) return LogImpossibleEvidence();
        for (CliqueSeparator& s : separators_) Distribute(s);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    propagated_ = true;
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Beliefs and marginals

void CliqueTree::FindBeliefHomes() {
    std::vector<uint64_t> best(static_cast<size_t>(n_), UINT64_MAX);
    beliefHomes_.FillWith(0);
    for (const CliqueSeparator& s : separators_) {
        for (int q = 0; q < s.variables.GetCount(); q++) {
            const int v = s.variables[q];
            if (s.tableSize >= best[v]) continue;
            best[v] = s.tableSize;
            beliefHomes_[v] = s.index + 1;
        }
    }
    for (const Clique& c : cliques_) {
        for (int q = 0; q < c.variables.GetCount(); q++) {
            const int v = c.variables[q];
            if (c.tableSize >= best[v]) continue;
            best[v] = c.tableSize;
            beliefHomes_[v] = -(c.index + 1);
        }
    }
}

int CliqueTree::WriteBeliefs(const PartView& part) {
    if (!propagated_ || part.GetNumberOfNodes() != n_) return kOutOfRange;
    std::vector<int> chosen;
    std::vector<double> marginals;
    try {
        if (beliefHomes_.GetSize() != n_ && beliefHomes_.SetSize(n_) != kSuccess) return kOutOfMemory;
        FindBeliefHomes();
        // Every marginal is computed before any is written, so a failure leaves the values as they were.
        for (int v = 0; v < n_; v++) {
            if (evidence_[v] >= 0 || part.GetNodeHandle(v) < 0 || beliefHomes_[v] == 0) continue;
            const int home = beliefHomes_[v];
            const VRX_Dmatrix& table = home > 0 ? separators_[home - 1].table : cliques_[-home - 1].table;
            const VRX_intArray& vars =
                home > 0 ? separators_[home - 1].variables : cliques_[-home - 1].variables;
            const VRX_intArray& sizes = home > 0 ? separators_[home - 1].sizes : cliques_[-home - 1].sizes;
            const int k = nodeSizes_[v];
            const size_t offset = marginals.size();
            marginals.resize(offset + static_cast<size_t>(k));
            double* out = marginals.data() + offset;
            SumOntoVariable(table.GetData(), table.GetNumberOfElements(), vars.FindPosition(v), sizes,
                            vars.GetCount(), out);
            double total = 0.0;
            for (int x = 0; x < k; x++) total += out[x];
            if (!(total > 0.0)) return LogImpossibleEvidence();
            for (int x = 0; x < k; x++) out[x] /= total;
            chosen.push_back(v);
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    size_t offset = 0;
    for (int v : chosen) {
        double* buffer = part.GetBeliefBuffer(v);
        if (buffer == nullptr) return kOutOfMemory;
        std::memcpy(buffer, marginals.data() + offset, sizeof(double) * static_cast<size_t>(nodeSizes_[v]));
        offset += static_cast<size_t>(nodeSizes_[v]);
        part.MarkUpToDate(v);
    }
    // Outcomes the relevance step derived from the evidence, never set on the value itself.
    for (int v = 0; v < n_; v++) {
        if (evidence_[v] < 0 || part.GetNodeHandle(v) < 0) continue;
        const VRX_nodeValue* value = part.GetRecord(v)->node->GetValue();
        if (value == nullptr || value->HasEvidence()) continue;
        double* buffer = part.GetBeliefBuffer(v);
        if (buffer == nullptr) return kOutOfMemory;
        for (int x = 0; x < nodeSizes_[v]; x++) buffer[x] = x == evidence_[v] ? 1.0 : 0.0;
        part.MarkUpToDate(v);
    }
    return kSuccess;
}

int CliqueTree::Solve(const PartView& part) {
    if (const int rc = EnterEvidence(part)) return rc;
    if (const int rc = Propagate()) return rc;
    return WriteBeliefs(part);
}

int CliqueTree::GetMarginal(const VRX_intArray& variables, VRX_Dmatrix& out) const {
    if (!propagated_) return kOutOfRange;
    const int count = variables.GetCount();
    if (count < 1 || out.GetNumberOfDimensions() != count) return kOutOfRange;
    const int* outStrides = out.GetStrides().GetItems();
    // Position in the request per node; observed nodes fix the output's coordinate instead.
    std::vector<int> position;
    try {
        position.assign(static_cast<size_t>(n_), -1);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    int base = 0;
    int unobserved = 0;
    for (int p = 0; p < count; p++) {
        const int v = variables[p];
        if (v < 0 || v >= n_ || position[v] >= 0 || out.GetDimensions()[p] != nodeSizes_[v])
            return kOutOfRange;
        position[v] = p;
        if (evidence_[v] >= 0) {
            base += evidence_[v] * outStrides[p];
        } else {
            unobserved++;
        }
    }
    out.FillWith(0.0);
    if (unobserved == 0) {
        out[base] = 1.0;
        return kSuccess;
    }
    // The holder with the fewest variables, separators first; a later one must have strictly fewer.
    auto holds = [&](const VRX_intArray& vars) {
        int held = 0;
        for (int q = 0; q < vars.GetCount(); q++) held += position[vars[q]] >= 0 ? 1 : 0;
        return held == unobserved;
    };
    const VRX_Dmatrix* table = nullptr;
    const VRX_intArray* vars = nullptr;
    const VRX_intArray* sizes = nullptr;
    for (const CliqueSeparator& s : separators_) {
        if ((vars == nullptr || s.variables.GetCount() < vars->GetCount()) && holds(s.variables)) {
            table = &s.table;
            vars = &s.variables;
            sizes = &s.sizes;
        }
    }
    for (const Clique& c : cliques_) {
        if ((vars == nullptr || c.variables.GetCount() < vars->GetCount()) && holds(c.variables)) {
            table = &c.table;
            vars = &c.variables;
            sizes = &c.sizes;
        }
    }
    if (table == nullptr) return kOutOfRange;
    const int held = vars->GetCount();
    double* cells = out.GetData();
    const double* entries = table->GetData();
    try {
        std::vector<int> strides(static_cast<size_t>(held), 0);
        for (int q = 0; q < held; q++) {
            const int p = position[(*vars)[q]];
            strides[q] = p >= 0 ? outStrides[p] : 0;
        }
        ForEachRun(sizes->GetItems(), strides.data(), held, base,
                   [&](int first, int offset, int length, int step) {
                       for (int x = 0; x < length; x++) cells[offset + x * step] += entries[first + x];
                   });
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    double total = 0.0;
    for (int i = 0; i < out.GetNumberOfElements(); i++) total += cells[i];
    if (total > 0.0) out.MultiplyBy(1.0 / total);
    return kSuccess;
}

// ---------------------------------------------------------------------------------------------------
// Copying

int CliqueTree::ReleaseTables(IndexMapPool& indexMaps) {
    try {
        indexMaps.reserve(separators_.size());
        for (CliqueSeparator& s : separators_) {
            if (s.indexMap != nullptr) indexMaps.emplace_back(s.indexMapCapacity, std::move(s.indexMap));
        }
    } catch (const std::bad_alloc&) {
        // Without room to keep them the buffers are simply freed.
    }
    Clear();
    return kSuccess;
}

int CliqueTree::CopyFrom(const CliqueTree& other) {
    if (this == &other) return kSuccess;
    // Released double buffers wait in the pool for the copies of the same sizes.
    const int poolCapacity = static_cast<int>(cliques_.size() + separators_.size());
    const bool pooled = poolCapacity > 0 && VRX_doubleArray::CreatePool(poolCapacity) == kSuccess;
    IndexMapPool indexMaps;
    static_cast<void>(ReleaseTables(indexMaps));
    int status = kSuccess;
    try {
        cliques_.reserve(other.cliques_.size());
        for (const Clique& source : other.cliques_) {
            cliques_.push_back(source);
            const Clique& copy = cliques_.back();
            if (copy.table.GetNumberOfElements() != source.table.GetNumberOfElements() ||
                copy.variables.GetCount() != source.variables.GetCount() ||
                copy.sizes.GetCount() != source.sizes.GetCount() ||
                copy.links.GetCount() != source.links.GetCount()) {
                status = kOutOfMemory;
                break;
            }
        }
        separators_.reserve(other.separators_.size());
        for (size_t i = 0; status == kSuccess && i < other.separators_.size(); i++) {
            const CliqueSeparator& source = other.separators_[i];
            CliqueSeparator copy;
            copy.index = source.index;
            copy.tableSize = source.tableSize;
            copy.parent = source.parent;
            copy.child = source.child;
            if (copy.table.Copy(source.table) != kSuccess ||
                copy.variables.Copy(source.variables) != kSuccess ||
                copy.sizes.Copy(source.sizes) != kSuccess ||
                copy.parentStrides.Copy(source.parentStrides) != kSuccess) {
                status = kOutOfMemory;
                break;
            }
            if (source.indexMap != nullptr && source.indexMapLength > 0) {
                copy.indexMap = TakeIndexMap(indexMaps, source.indexMapLength, copy.indexMapCapacity);
                copy.indexMapLength = source.indexMapLength;
                std::memcpy(copy.indexMap.get(), source.indexMap.get(),
                            sizeof(int) * static_cast<size_t>(source.indexMapLength));
            }
            separators_.push_back(std::move(copy));
        }
        if (status == kSuccess) {
            n_ = other.n_;
            homes_ = other.homes_;
            nodeSizes_ = other.nodeSizes_;
            evidence_ = other.evidence_;
            eliminationOrder_ = other.eliminationOrder_;
            if (beliefHomes_.Copy(other.beliefHomes_) != kSuccess) status = kOutOfMemory;
            built_ = other.built_;
            loaded_ = other.loaded_;
            propagated_ = other.propagated_;
        }
    } catch (const std::bad_alloc&) {
        status = kOutOfMemory;
    }
    if (pooled) VRX_doubleArray::DestroyPool();
    if (status != kSuccess) Clear();
    return status;
}
