// The counting allocators of alloc_count.h. Every function forwards to the C
// library's allocator under its internal name (__libc_malloc and so on), so
// memory from either side can be freed by the other.
#include "alloc_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

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

namespace {

void* NewBlock(size_t size) {
    alloccount::Note(size);
    void* p = __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void* NewAlignedBlock(size_t size, std::align_val_t alignment) {
    alloccount::Note(size);
    void* p = __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(size_t size) { return NewBlock(size); }
void* operator new[](size_t size) { return NewBlock(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    alloccount::Note(size);
    return __libc_malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    alloccount::Note(size);
    return __libc_malloc(size ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) { return NewAlignedBlock(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return NewAlignedBlock(size, alignment); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    alloccount::Note(size);
    return __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    alloccount::Note(size);
    return __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
}

void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { __libc_free(p); }

#endif
