// Whether the build runs under a sanitizer. Code that places memory itself,
// outside the C library's heap, stands aside under one: the sanitizers watch
// the heap (and bring their own).
#pragma once

namespace rtl {

#if defined(__has_feature)
#define TESSARO_HAS_FEATURE(F) __has_feature(F)
#else
#define TESSARO_HAS_FEATURE(F) 0
#endif

#if defined(__SANITIZE_ADDRESS__) || TESSARO_HAS_FEATURE(address_sanitizer)
inline constexpr bool AddressSanitized = true;
#else
inline constexpr bool AddressSanitized = false;
#endif

#if defined(__SANITIZE_THREAD__) || TESSARO_HAS_FEATURE(thread_sanitizer) || TESSARO_HAS_FEATURE(memory_sanitizer)
inline constexpr bool OtherSanitized = true;
#else
inline constexpr bool OtherSanitized = false;
#endif

#undef TESSARO_HAS_FEATURE

// Any sanitizer: address, thread or memory.
inline constexpr bool Sanitized = AddressSanitized || OtherSanitized;

}  // namespace rtl
