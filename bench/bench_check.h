#pragma once
// Set-up steps of the benchmarks: a step that fails stops the run, since its timings would mean nothing.

#include <cstdio>
#include <cstdlib>

#include "base/status_codes.h"

namespace vovido {

inline void RequireSuccess(int status, const char* step) {
    if (status == kSuccess) return;
    std::fprintf(stderr, "benchmark set-up failed: %s (%d)\n", step, status);
    std::abort();
}

}  // namespace vovido
