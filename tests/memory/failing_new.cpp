// The global operator new of this test program: every allocation of the process, standard
// containers included, counts against qor_pool_fail_nth, so a test can fail the n-th of them.
#include <cstdlib>
#include <new>

#include "host/pool.h"

namespace {

void* allocate(std::size_t bytes) {
    if (qor_fail_this_allocation()) throw std::bad_alloc();
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void* allocate_aligned(std::size_t bytes, std::align_val_t alignment) {
    if (qor_fail_this_allocation()) throw std::bad_alloc();
    auto align = static_cast<std::size_t>(alignment);
    std::size_t rounded = (bytes + align - 1) / align * align;
    void* block = std::aligned_alloc(align, rounded ? rounded : align);
    if (!block) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t bytes) { return allocate(bytes); }
void* operator new[](std::size_t bytes) { return allocate(bytes); }
void* operator new(std::size_t bytes, std::align_val_t a) { return allocate_aligned(bytes, a); }
void* operator new[](std::size_t bytes, std::align_val_t a) { return allocate_aligned(bytes, a); }

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return allocate(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept {
    return operator new(bytes, tag);
}
void* operator new(std::size_t bytes, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return allocate_aligned(bytes, a);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, std::align_val_t a, const std::nothrow_t& tag) noexcept {
    return operator new(bytes, a, tag);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
