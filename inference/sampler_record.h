#pragma once
// The working record of the self-contained samplers (logic sampling, likelihood weighting,
// self-importance and backward sampling): one per record of a relevant part, with the state of the
// current sample, the counts that become the beliefs and the strides that locate a table column.

#include <memory>
#include <vector>

#include "base/dmatrix.h"

class RelevanceGraph;
class VRX_node;

struct SamplerRecord {
    // Placed on a record whose parents were drawn backwards in the current sample.
    static constexpr int kDrawnBackwards = 20;

    // Offset of the column of the parents' current states in table (and in the tables of its shape).
    int ColumnOffset() const {
        int offset = 0;
        for (int j = 0; j < numParents; j++) offset += *parentStates[j] * parentStrides[j];
        return offset;
    }
    bool IsObserved() const { return evidence >= 0; }

    int mark = 0;
    int state = -1;
    std::unique_ptr<unsigned[]> hitCounts;
    std::unique_ptr<double[]> weightedCounts;
    std::unique_ptr<VRX_Dmatrix> importanceTable;
    std::unique_ptr<VRX_Dmatrix> learningTable;
    // Per column of learningTable, the sum of the squared weights added to it.
    std::vector<double> learningSquares;
    // Null for the per-parent records of an observed noisy-MAX node: observed, and given no result.
    VRX_node* node = nullptr;
    int numOutcomes = 0;
    const VRX_Dmatrix* table = nullptr;
    int numParents = 0;
    std::unique_ptr<int[]> parentPositions;

    // The elements of table, read in place.
    const double* tableData = nullptr;
    // Observed outcome in the part (evidence, or fixed by spreading evidence), -1 when unobserved.
    int evidence = -1;
    // The parents' state fields and the strides of their dimensions in table.
    std::unique_ptr<const int*[]> parentStates;
    std::unique_ptr<int[]> parentStrides;
};

// Records for the part in its current record order, with every table checked against its family and
// the counts allocated and zero. 0, kOutOfRange for a record without a fitting table or with a parent outside
// the part, kOutOfMemory without memory; out is empty on failure.
[[nodiscard]] int BuildSamplerRecords(RelevanceGraph& part, std::vector<SamplerRecord>& out);
