#pragma once
// The graph that PC learns: for every ordered pair of variables the mark of the edge end at the second
// (0 none, 1 plain end, 2 arrowhead), with directed-path and cycle queries and conversion of a DAG into
// a network.

#include <cstddef>
#include <vector>

class DataSet;
class VRX_network;

class Pattern {
public:
    Pattern() = default;
    virtual ~Pattern() = default;

    int GetSize() const { return n_; }
    // Marks that exist keep their values; new ones are 0. kOutOfMemory, with the reason in the error log
    // and the pattern unchanged, when the n * n marks would pass the engine's table limit.
    [[nodiscard]] int SetSize(int n);
    // The mark; kOutOfRange for an index outside [0, n).
    int GetEdge(int i, int j) const;
    // kOutOfRange for an index outside [0, n) or a mark outside 0..2 (nothing changes); else 0.
    [[nodiscard]] int SetEdge(int i, int j, int mark);

    // True when from = to or a path of directed edges (mark 2 one way only) leads from `from` to `to`.
    bool HasDirectedPath(int from, int to) const;
    bool HasCycle() const;
    // Only directed edges (or none) and no directed cycle.
    bool IsDAG() const;
    // Adds one node per variable and an arc per directed edge; false, with nothing added, when the
    // pattern is not a DAG, is larger than the data set, or two variables would share an identifier.
    bool MakeNetwork(const DataSet& data, VRX_network& network) const;

    // Unchecked access for the learner.
    int& Mark(int i, int j) { return marks_[static_cast<size_t>(i) * n_ + j]; }
    int Mark(int i, int j) const { return marks_[static_cast<size_t>(i) * n_ + j]; }
    bool Adjacent(int i, int j) const { return Mark(i, j) != 0 || Mark(j, i) != 0; }
    bool Directed(int i, int j) const { return Mark(i, j) == 2 && Mark(j, i) != 2; }

private:
    int n_ = 0;
    std::vector<int> marks_;
};
