// The memory of a sampling run, worked out before anything is drawn.
#include "equations/sample_memory.h"

#include <cstdint>
#include <string>

#include "base/error_log.h"
#include "base/size_limits.h"
#include "base/status_codes.h"
#include "definitions/gaussian_mixture.h"

int CheckSampleMemory(int64_t nodes, int64_t samples) {
    constexpr int64_t kSampleBytes = sizeof(WeightedSample);
    // Neither count passes 2^31, so their product cannot overflow; times the bytes of a sample it may.
    const int64_t draws = nodes * samples;
    if (draws <= kMaxSampleBytes / kSampleBytes) return kSuccess;
    const std::string bytes = draws <= INT64_MAX / kSampleBytes
                                  ? std::to_string(draws * kSampleBytes)
                                  : std::to_string(static_cast<long double>(draws) * kSampleBytes);
    const std::string text = "The samples would take " + std::to_string(nodes) + " nodes x " +
                             std::to_string(samples) + " samples x " + std::to_string(kSampleBytes) +
                             " bytes = " + bytes + " bytes, past the limit of " +
                             std::to_string(kMaxSampleBytes) + " bytes";
    return LogError(errorLog, kOutOfMemory, text.c_str(), nullptr);
}
