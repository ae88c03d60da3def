#pragma once
// Iterator over the cells of a table in row-major order, keeping coordinates and linear index together;
// locked dimensions keep their coordinate while the others are walked.

#include "base/dmatrix.h"
#include "base/int_array.h"
#include "base/vrx_object.h"

class VRX_nodeDefinition;

class VRX_sysCoordinates : public VRX_object {
public:
    VRX_sysCoordinates() = default;
    explicit VRX_sysCoordinates(VRX_Dmatrix* m);

    // Links to m (null unlinks): every coordinate 0, nothing locked, index 0. kOutOfMemory without memory.
    [[nodiscard]] int LinkToMatrix(VRX_Dmatrix* m);
    // Links to the parameter table of a node definition; the definition's answer when it has none.
    [[nodiscard]] int LinkToDefinition(VRX_nodeDefinition& definition);
    VRX_Dmatrix* GetMatrix() const { return matrix; }

    int GoFirst();
    // The caller passes a dimension of the matrix; kOutOfRange otherwise.
    [[nodiscard]] int LockDimension(int d);
    int UnlockAll();
    int IsLocked(int d) const { return d >= 0 && d < locks.GetSize() && locks[d] != 0; }
    [[nodiscard]] int Next();
    [[nodiscard]] int GoToIndex(int i);
    // Takes the coordinates the caller wrote into coordinates; a coordinate outside its dimension
    // resets the iterator to the first cell and yields kOutOfRange.
    [[nodiscard]] int GoToCoordinates();
    double& CurrentElement() { return (*matrix)[index]; }

    // The current cell: read freely; coordinates may be written, followed by GoToCoordinates.
    VRX_intArray coordinates;
    int index = 0;

private:
    void Reset_();

    VRX_Dmatrix* matrix = nullptr;
    VRX_intArray locks;
};
