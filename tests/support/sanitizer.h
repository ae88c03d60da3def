#pragma once
// Whether the build is instrumented by AddressSanitizer: such builds check memory, not numbers, so
// statistical and reference tests run fewer cases there.

namespace vovido {
namespace testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

}  // namespace testing
}  // namespace vovido
