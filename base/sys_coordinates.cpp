// Coordinate iterator: linking, positioning and the odometer walk with locked dimensions.
#include "base/sys_coordinates.h"

#include "base/status_codes.h"

VRX_sysCoordinates::VRX_sysCoordinates(VRX_Dmatrix* m) {
    (void)LinkToMatrix(m);  // on failure the iterator is left unlinked
}

int VRX_sysCoordinates::LinkToMatrix(VRX_Dmatrix* m) {
    matrix = m;
    index = 0;
    const int nd = m != nullptr ? m->GetNumberOfDimensions() : 0;
    int res = coordinates.SetSize(nd);
    if (res == kSuccess) res = locks.SetSize(nd);
    if (res != kSuccess) {
        coordinates.CleanUp();
        locks.CleanUp();
        matrix = nullptr;
        return res;
    }
    coordinates.FillWith(0);
    coordinates.SetCount(nd);
    locks.FillWith(0);
    locks.SetCount(nd);
    return kSuccess;
}

void VRX_sysCoordinates::Reset_() {
    index = 0;
    coordinates.FillWith(0);
}

int VRX_sysCoordinates::GoFirst() {
    Reset_();
    return kSuccess;
}

int VRX_sysCoordinates::LockDimension(int d) {
    if (d < 0 || d >= locks.GetSize()) return kOutOfRange;
    locks[d] = 1;
    return kSuccess;
}

int VRX_sysCoordinates::UnlockAll() {
    locks.FillWith(0);
    return kSuccess;
}

int VRX_sysCoordinates::Next() {
    if (matrix == nullptr) return kOutOfRange;
    const int nd = matrix->GetNumberOfDimensions();
    if (nd == 0 || coordinates.GetSize() < nd) return kOutOfRange;
    const VRX_intArray& sizes = matrix->GetDimensions();
    int i = nd - 1;
    while (i >= 0 && (locks[i] != 0 || coordinates[i] >= sizes[i] - 1)) i--;
    if (i < 0) return kOutOfRange;
    coordinates[i]++;
    for (int k = i + 1; k < nd; k++) {
        if (locks[k] == 0) coordinates[k] = 0;
    }
    index = matrix->CoordinatesToIndex(coordinates);
    return kSuccess;
}

int VRX_sysCoordinates::GoToIndex(int i) {
    if (matrix == nullptr || i < 0 || i >= matrix->GetNumberOfElements() ||
        coordinates.GetSize() < matrix->GetNumberOfDimensions()) {
        Reset_();
        return kOutOfRange;
    }
    const VRX_intArray& strides = matrix->GetStrides();
    const int nd = matrix->GetNumberOfDimensions();
    index = i;
    for (int k = 0; k < nd; k++) {
        coordinates[k] = i / strides[k];
        i -= coordinates[k] * strides[k];
    }
    return kSuccess;
}

int VRX_sysCoordinates::GoToCoordinates() {
    if (matrix == nullptr) {
        Reset_();
        return kOutOfRange;
    }
    const VRX_intArray& sizes = matrix->GetDimensions();
    const int nd = matrix->GetNumberOfDimensions();
    if (coordinates.GetSize() < nd) {
        Reset_();
        return kOutOfRange;
    }
    // Checked per coordinate: a wrong one could otherwise land inside the table on the wrong cell, or
    // past its end.
    for (int k = 0; k < nd; k++) {
        if (coordinates[k] < 0 || coordinates[k] >= sizes[k]) {
            Reset_();
            return kOutOfRange;
        }
    }
    index = matrix->CoordinatesToIndex(coordinates);
    return kSuccess;
}
