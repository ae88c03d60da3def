// Row work on the parameter matrices of the noisy kinds.
#include "definitions/ci_rows.h"

#include <algorithm>
#include <cstring>

#include "base/status_codes.h"
#include "definitions/definition_support.h"
#include "model/network.h"
#include "model/node_definition.h"

namespace vovido {

namespace CiRows {

int LocateParent(const VRX_network* network, int child, int parent, int& position, int& type) {
    if (network == nullptr || !network->IsLiveHandle(child) || !network->IsLiveHandle(parent)) {
        return kOutOfRange;
    }
    type = network->GetNodeType(parent);
    const VRX_intArray& parents = network->GetParents(child);
    // A parent that lost its indexing kind keeps its place in the list but owns no block, so blocks
    // are counted over the indexing parents only.
    int blocks = 0;
    for (int i = 0; i < parents.GetCount(); ++i) {
        if (parents[i] == parent) {
            position = blocks;
            return kSuccess;
        }
        if (IsIndexingType(network->GetNodeType(parents[i]))) ++blocks;
    }
    return kOutOfRange;
}

bool GetShape(const VRX_Dmatrix& m, int& rows, int& columns) {
    if (m.GetNumberOfDimensions() != 2) return false;
    rows = m.GetDimensions()[0];
    columns = m.GetDimensions()[1];
    return true;
}

namespace {

// A rows x columns matrix whose storage the caller fills completely.
int MakeMatrix(int rows, int columns, VRX_Dmatrix& out) {
    const int sizes[2] = {rows, columns};
    return out.SetupFromList(sizes, 2);
}

}  // namespace

int InsertRows(VRX_Dmatrix& m, int at, int n) {
    int rows = 0;
    int k = 0;
    if (!GetShape(m, rows, k) || at < 0 || at > rows || n < 0) return kOutOfRange;
    if (n == 0) return kSuccess;
    VRX_Dmatrix result;
    if (const int rc = MakeMatrix(rows + n, k, result)) return rc;
    const double* src = m.GetData();
    double* dst = result.GetData();
    std::memcpy(dst, src, sizeof(double) * at * k);
    std::memset(dst + at * k, 0, sizeof(double) * n * k);
    std::memcpy(dst + (at + n) * k, src + at * k, sizeof(double) * (rows - at) * k);
    m.Swap(result);
    return kSuccess;
}

int RemoveRows(VRX_Dmatrix& m, int at, int n) {
    int rows = 0;
    int k = 0;
    if (!GetShape(m, rows, k) || at < 0 || n < 0 || at + n > rows || n >= rows) return kOutOfRange;
    if (n == 0) return kSuccess;
    VRX_Dmatrix result;
    if (const int rc = MakeMatrix(rows - n, k, result)) return rc;
    const double* src = m.GetData();
    double* dst = result.GetData();
    std::memcpy(dst, src, sizeof(double) * at * k);
    std::memcpy(dst + at * k, src + (at + n) * k, sizeof(double) * (rows - at - n) * k);
    m.Swap(result);
    return kSuccess;
}

void SetUnitRow(VRX_Dmatrix& m, int row, int column) {
    int rows = 0;
    int k = 0;
    if (!GetShape(m, rows, k) || row < 0 || row >= rows) return;
    double* p = m.GetData() + row * k;
    for (int j = 0; j < k; ++j) p[j] = j == column ? 1.0 : 0.0;
}

void FillRow(VRX_Dmatrix& m, int row, double v) {
    int rows = 0;
    int k = 0;
    if (!GetShape(m, rows, k) || row < 0 || row >= rows) return;
    double* p = m.GetData() + row * k;
    for (int j = 0; j < k; ++j) p[j] = v;
}

int PermuteRows(VRX_Dmatrix& m, int start, const VRX_intArray& order) {
    int rows = 0;
    int k = 0;
    const int n = order.GetCount();
    if (!GetShape(m, rows, k) || start < 0 || start + n > rows) return kOutOfRange;
    if (const int rc = order.CheckPermutation(n)) return rc;
    VRX_doubleArray block;
    if (block.SetSize(n * k) != kSuccess) return kOutOfMemory;
    double* base = m.GetData() + start * k;
    if (n > 0) std::memcpy(block.GetItems(), base, sizeof(double) * n * k);
    for (int j = 0; j < n; ++j)
        std::memcpy(base + j * k, block.GetItems() + order[j] * k, sizeof(double) * k);
    return kSuccess;
}

int RegroupBlocks(VRX_Dmatrix& m, const VRX_intArray& blockSizes, const VRX_intArray& order) {
    int rows = 0;
    int k = 0;
    const int blocks = blockSizes.GetCount();
    if (!GetShape(m, rows, k) || order.GetCount() != blocks) return kOutOfRange;
    if (const int rc = order.CheckPermutation(blocks)) return rc;
    VRX_intArray starts;
    if (starts.SetSize(blocks) != kSuccess) return kOutOfMemory;
    int used = 0;
    for (int b = 0; b < blocks; ++b) {
        starts[b] = used;
        used += blockSizes[b];
    }
    if (used > rows) return kOutOfRange;
    if (used == 0) return kSuccess;
    VRX_doubleArray copy;
    if (copy.SetSize(used * k) != kSuccess) return kOutOfMemory;
    std::memcpy(copy.GetItems(), m.GetData(), sizeof(double) * used * k);
    double* dst = m.GetData();
    for (int j = 0; j < blocks; ++j) {
        const int b = order[j];
        const int n = blockSizes[b] * k;
        std::memcpy(dst, copy.GetItems() + starts[b] * k, sizeof(double) * n);
        dst += n;
    }
    return kSuccess;
}

void ToCumulative(double* run, int k) {
    for (int j = k - 2; j >= 0; --j) {
        const double sum = run[j] + run[j + 1];
        run[j] = sum < 0.0 ? 0.0 : sum;
    }
}

void FromCumulative(double* run, int k) {
    for (int j = 0; j < k - 1; ++j) {
        const double difference = run[j] - run[j + 1];
        run[j] = difference < 0.0 ? 0.0 : difference;
    }
}

namespace {

constexpr double kLowestSum = 0.999995;
constexpr double kHighestSum = 1.000005;

// The message is cut to the buffer and always terminated, so a short buffer is never read past its end.
int Report(char* buffer, int size, const char* text, int code) {
    if (buffer != nullptr && size > 0) {
        const size_t room = static_cast<size_t>(size) - 1;
        const size_t length = std::min(std::strlen(text), room);
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
    }
    return code;
}

}  // namespace

int CheckRows(const VRX_Dmatrix& m, const VRX_Dmatrix& reference, const VRX_intArray& unitColumn,
              char* buffer, int size) {
    int rows = 0;
    int k = 0;
    if (!reference.HasSameDimensions(m) || !GetShape(m, rows, k) || unitColumn.GetCount() < rows) {
        return Report(buffer, size, "Inappropirate Dmatrix size", kOutOfRange);
    }
    const double* p = m.GetData();
    for (int r = 0; r < rows; ++r, p += k) {
        const int unit = unitColumn[r];
        double sum = 0.0;
        for (int j = 0; j < k; ++j) {
            // Written so that NaN fails as well.
            if (!(p[j] >= 0.0)) return Report(buffer, size, "Probability less than 0", kInvalidData);
            if (unit >= 0 && p[j] != (j == unit ? 1.0 : 0.0)) {
                return Report(buffer, size, "Constraints violeted", kInvalidData);
            }
            sum += p[j];
        }
        if (!(sum >= kLowestSum && sum <= kHighestSum)) {
            return Report(buffer, size, "Probabilities don't sum up to 1", kInvalidData);
        }
    }
    return Report(buffer, size, "Ok", kSuccess);
}

int SetWeights(VRX_Dmatrix& weights, const VRX_Dmatrix& source) {
    if (&weights == &source) return kSuccess;
    if (!weights.HasSameDimensions(source)) return kOutOfRange;
    return weights.Copy(source);
}

int SetWeightEntries(VRX_Dmatrix& weights, const VRX_doubleArray& values) {
    const int n = weights.GetNumberOfElements();
    if (DefinitionSupport::MatchEntryCount(values, n) < 0) return kOutOfRange;
    double* p = weights.GetData();
    for (int i = 0; i < n; ++i) p[i] = values[i];
    return kSuccess;
}

double MatrixSquaredDistance(const VRX_Dmatrix& a, const VRX_Dmatrix& b) {
    const int n = a.GetNumberOfElements();
    if (n != b.GetNumberOfElements()) return -1.0;
    const double* pa = a.GetData();
    const double* pb = b.GetData();
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = pa[i] - pb[i];
        sum += d * d;
    }
    return sum;
}

int ShapeTable(VRX_Dmatrix& table, const VRX_intArray& blockSizes, int k) {
    const int parents = blockSizes.GetCount();
    int inlineSizes[9];
    VRX_intArray heapSizes;
    int* sizes = inlineSizes;
    if (parents + 1 > 9) {
        if (heapSizes.SetSize(parents + 1) != kSuccess) return kOutOfMemory;
        sizes = heapSizes.GetItems();
    }
    for (int i = 0; i < parents; ++i) sizes[i] = blockSizes[i];
    sizes[parents] = k;
    return table.SetupFromList(sizes, parents + 1);
}

}  // namespace CiRows

}  // namespace vovido
