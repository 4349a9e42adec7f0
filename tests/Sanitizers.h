// Whether the tests were built with AddressSanitizer (scripts/asan.sh). There the resident
// memory of a process is mostly the sanitizer's own and grows for a while even when
// nothing leaks: freed blocks wait in its quarantine before they are reused, and every
// new page brings its shadow. Checks that resident memory stays flat hold only without
// it; under it, LeakSanitizer looks at every block still allocated at exit instead.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define GRAVEWAKE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GRAVEWAKE_ASAN 1
#endif
#endif

#ifdef GRAVEWAKE_ASAN
constexpr bool kResidentMemoryIsOurs = false;
#else
constexpr bool kResidentMemoryIsOurs = true;
#endif
