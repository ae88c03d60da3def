#pragma once
// Whether the program runs under AddressSanitizer: such runs check memory, not numbers, so statistical
// and reference tests run fewer cases there. The test sources are compiled once and linked both with
// the plain and with the sanitized libraries, so the answer is read at run time: the sanitizer's
// runtime defines its initialiser only in the programs it is linked into.

extern "C" void __asan_init() __attribute__((weak));

namespace vovido::test {

inline const bool kUnderAddressSanitizer = &__asan_init != nullptr;

}  // namespace vovido::test
