#pragma once
// The memory of a sampling run, worked out before anything is drawn.

#include <cstdint>

// 0, or kOutOfMemory (logged, naming the sizes) when `nodes` nodes of `samples` weighted samples each
// would take more than kMaxSampleBytes.
[[nodiscard]] int CheckSampleMemory(int64_t nodes, int64_t samples);
