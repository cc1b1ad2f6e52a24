#pragma once
// Whether this build runs under AddressSanitizer, which keeps its own
// allocator: memory figures and replacement allocators mean other things there.

#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_UNDER_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef KORVEX_UNDER_ADDRESS_SANITIZER
#define KORVEX_UNDER_ADDRESS_SANITIZER 0
#endif

namespace korvex::fixtures {

inline constexpr bool UnderAddressSanitizer = KORVEX_UNDER_ADDRESS_SANITIZER != 0;

}  // namespace korvex::fixtures
