// Builds a conditional probability table P(Y | X) for X with 2 outcomes and Y with 3, normalises it
// and prints its rows and the marginal of Y under a uniform X.
#include <cstdio>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"

int main() {
    VRX_intArray sizes;
    // Parent X the first dimension; child Y the last, one distribution per run.
    if (sizes.Add(2) != 0 || sizes.Add(3) != 0) return 1;
    VRX_Dmatrix table(sizes);
    if (table.GetNumberOfElements() != 6) return 1;

    // Unnormalised weights; the second row is left at zero and becomes uniform.
    const double weights[] = {2.0, 1.0, 1.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < table.GetNumberOfElements(); i++) table[i] = weights[i];
    table.Normalize();

    VRX_intArray coords;
    if (coords.SetSize(2) != 0) return 1;
    for (coords[0] = 0; coords[0] < 2; coords[0]++) {
        std::printf("P(Y | X=%d):", coords[0]);
        for (coords[1] = 0; coords[1] < 3; coords[1]++) std::printf(" %.4f", table.GetValueAt(coords));
        std::printf("\n");
    }

    // Marginal of Y: sum out X weighted by its (uniform) prior.
    VRX_doubleArray prior;
    if (prior.Add(0.5) != 0 || prior.Add(0.5) != 0) return 1;
    VRX_Dmatrix marginal;
    if (table.WeightedSumOverDimensionInto(0, prior, marginal) != 0) return 1;
    std::printf("P(Y):       ");
    for (int k = 0; k < marginal.GetNumberOfElements(); k++) std::printf(" %.4f", marginal[k]);
    std::printf("\n");
    return 0;
}
