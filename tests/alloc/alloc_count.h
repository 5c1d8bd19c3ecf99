// Counts the heap allocations of this program: malloc, calloc, realloc and
// the aligned forms, which the global operator new uses too. alloc_count.cpp
// replaces them with versions that count and then hand the request to the C
// library's own allocator. Under AddressSanitizer the replacement is left
// out (the sanitizer owns malloc) and nothing is counted.
#pragma once

#include <cstdint>

namespace alloccount {

// 1 when the replacement is built in; 0 under AddressSanitizer.
extern const int Available;

// Allocations are counted only between Start and Stop.
void Start();
void Stop();
// Allocations counted since the last Reset.
int64_t Count();
void Reset();
// Size of the first allocation counted since the last Reset (0 when none).
uint64_t FirstSize();

}  // namespace alloccount
