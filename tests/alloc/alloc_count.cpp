// The counting allocators of alloc_count.h. Every function forwards to the C
// library's allocator under its internal name (__libc_malloc and so on), so
// memory from either side can be freed by the other.
#include "alloc_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define GRAZE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GRAZE_ASAN 1
#endif
#endif

namespace alloccount {

namespace {
std::atomic<bool> Counting{false};
std::atomic<int64_t> Allocations{0};
std::atomic<uint64_t> First{0};
}  // namespace

void Start() { Counting.store(true); }
void Stop() { Counting.store(false); }
int64_t Count() { return Allocations.load(); }
uint64_t FirstSize() { return First.load(); }
void Reset() {
    Allocations.store(0);
    First.store(0);
}

// Called by every replaced allocator.
void Note(size_t size) {
    if (!Counting.load(std::memory_order_relaxed)) return;
    if (Allocations.fetch_add(1) == 0) First.store(size);
}

}  // namespace alloccount

#ifdef GRAZE_ASAN

const int alloccount::Available = 0;

#else

const int alloccount::Available = 1;

extern "C" {

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* old, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) {
    alloccount::Note(size);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    alloccount::Note(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* old, size_t size) {
    alloccount::Note(size);
    return __libc_realloc(old, size);
}

void free(void* p) { __libc_free(p); }

void* memalign(size_t alignment, size_t size) {
    alloccount::Note(size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    alloccount::Note(size);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
    alloccount::Note(size);
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}

}  // extern "C"

// The global operator new and delete of the C++ library ask malloc and free,
// so they are counted here too.

#endif
