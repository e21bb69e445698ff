// Whether this process's resident memory can be measured: under AddressSanitizer freed memory
// stays resident in its quarantine, so there is nothing to measure.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define RESIDENT_MEMORY_MEASURABLE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RESIDENT_MEMORY_MEASURABLE 0
#endif
#endif
#ifndef RESIDENT_MEMORY_MEASURABLE
#define RESIDENT_MEMORY_MEASURABLE 1
#endif
