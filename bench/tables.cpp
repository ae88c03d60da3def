// Timing of the table operations that inference runs most: normalising, summing out, reordering.
#include <benchmark/benchmark.h>

#include "base/dmatrix.h"
#include "base/double_array.h"
#include "base/int_array.h"
#include "bench/bench_check.h"

namespace {

using vovido::RequireSuccess;

// A table of `dims` dimensions of size `size` each, filled with positive values.
VRX_Dmatrix MakeTable(int dims, int size) {
    VRX_intArray sizes;
    for (int i = 0; i < dims; i++) RequireSuccess(sizes.Add(size), "table sizes");
    VRX_Dmatrix m(sizes);
    for (int i = 0; i < m.GetNumberOfElements(); i++) m[i] = 1.0 + (i % 17);
    return m;
}

VRX_intArray Ints(std::initializer_list<int> values) {
    VRX_intArray a;
    for (int v : values) RequireSuccess(a.Add(v), "int list");
    return a;
}

// Arguments: number of dimensions, size of each (4^7 .. 4^10 and 10^4..10^6 cells).
void TableShapes(benchmark::internal::Benchmark* b) {
    b->Args({7, 4})->Args({10, 4})->Args({4, 10})->Args({6, 10});
}

void BM_Normalize(benchmark::State& state) {
    VRX_Dmatrix source = MakeTable(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    VRX_Dmatrix m;
    for (auto _ : state) {
        state.PauseTiming();
        RequireSuccess(m.Copy(source), "table copy");
        state.ResumeTiming();
        m.Normalize();
        benchmark::DoNotOptimize(m.GetData());
    }
    state.SetItemsProcessed(state.iterations() * source.GetNumberOfElements());
}
BENCHMARK(BM_Normalize)->Apply(TableShapes);

// Summing out the first (outermost) and the last dimension against a vector over it.
void BM_MultiplyAndSumOut(benchmark::State& state) {
    const int dims = static_cast<int>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    const int d = static_cast<int>(state.range(2)) == 0 ? 0 : dims - 1;
    VRX_Dmatrix source = MakeTable(dims, size);
    VRX_Dmatrix vector = MakeTable(1, size);
    VRX_intArray map = Ints({d});
    VRX_Dmatrix m;
    for (auto _ : state) {
        state.PauseTiming();
        RequireSuccess(m.Copy(source), "table copy");
        state.ResumeTiming();
        if (m.MultiplyAndSumOutDimension(d, vector, map) != kSuccess) state.SkipWithError("sum-out failed");
        benchmark::DoNotOptimize(m.GetData());
    }
    state.SetItemsProcessed(state.iterations() * source.GetNumberOfElements());
}
BENCHMARK(BM_MultiplyAndSumOut)
    ->Args({7, 4, 0})
    ->Args({7, 4, 1})
    ->Args({10, 4, 0})
    ->Args({10, 4, 1})
    ->Args({6, 10, 0})
    ->Args({6, 10, 1});

void BM_WeightedSumOverDimension(benchmark::State& state) {
    const int dims = static_cast<int>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    const int d = static_cast<int>(state.range(2)) == 0 ? 0 : dims - 1;
    VRX_Dmatrix source = MakeTable(dims, size);
    VRX_doubleArray weights;
    for (int k = 0; k < size; k++) RequireSuccess(weights.Add(1.0 / (k + 1)), "weights");
    VRX_Dmatrix out;
    for (auto _ : state) {
        source.WeightedSumOverDimensionInto(d, weights, out);
        benchmark::DoNotOptimize(out.GetData());
    }
    state.SetItemsProcessed(state.iterations() * source.GetNumberOfElements());
}
BENCHMARK(BM_WeightedSumOverDimension)
    ->Args({7, 4, 0})
    ->Args({7, 4, 1})
    ->Args({10, 4, 0})
    ->Args({10, 4, 1})
    ->Args({6, 10, 1});

// Reversing the dimensions: the worst case, every read strided.
void BM_ReorderDimensions(benchmark::State& state) {
    const int dims = static_cast<int>(state.range(0));
    VRX_Dmatrix m = MakeTable(dims, static_cast<int>(state.range(1)));
    VRX_intArray order;
    for (int i = 0; i < dims; i++) RequireSuccess(order.Add(dims - 1 - i), "order");
    for (auto _ : state) {
        if (m.ReorderDimensions(order) != kSuccess) state.SkipWithError("reorder failed");
        benchmark::DoNotOptimize(m.GetData());
    }
    state.SetItemsProcessed(state.iterations() * m.GetNumberOfElements());
}
BENCHMARK(BM_ReorderDimensions)->Apply(TableShapes);

void BM_IntArrayAdd(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        VRX_intArray a;
        for (int i = 0; i < n; i++) RequireSuccess(a.Add(i), "add");
        benchmark::DoNotOptimize(a.GetItems());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IntArrayAdd)->Arg(8)->Arg(1000)->Arg(1000000);

}  // namespace
