#pragma once
// Limits on the address space of a test process, so that memory runs out where the engine allocates: for
// tests that run in a child process of their own (death tests) and check that a shortfall is refused by
// name. AddressSanitizer reserves far more than it uses, so such tests skip under it.

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace vovido::test {

// The bytes the process has mapped; -1 when unknown.
inline long long AddressSpaceInUse() {
    long long pages = -1;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return -1;
    if (std::fscanf(f, "%lld", &pages) != 1) pages = -1;
    std::fclose(f);
    return pages < 0 ? -1 : pages * sysconf(_SC_PAGESIZE);
}

// Caps the address space at `extra` bytes more than is in use; false when it cannot be.
inline bool LimitAddressSpace(long long extra) {
    const long long inUse = AddressSpaceInUse();
    rlimit limit{};
    if (inUse < 0 || getrlimit(RLIMIT_AS, &limit) != 0) return false;
    limit.rlim_cur = static_cast<rlim_t>(inUse + extra);
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

}  // namespace vovido::test
