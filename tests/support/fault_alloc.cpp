// Replacement global allocation functions with a counter and a one-shot failure switch
// (see fault_alloc.h). They sit on malloc and free, so AddressSanitizer, which intercepts
// malloc, still checks every block; aligned forms over-allocate and keep the block's
// start just before the aligned address.
#include "support/fault_alloc.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace testing_support {
namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> countdown{0};  // 0: no failure armed
std::atomic<bool> fired{false};

// Counts one allocation; true when it is the one that must fail.
bool CountAndCheck() {
  allocations.fetch_add(1, std::memory_order_relaxed);
  uint64_t left = countdown.load();
  while (left != 0) {
    if (countdown.compare_exchange_weak(left, left - 1)) {
      if (left != 1) return false;
      fired.store(true);
      return true;
    }
  }
  return false;
}

// malloc with the new-handler loop; null when no handler can free memory.
void* RawAllocate(std::size_t size) {
  if (size == 0) size = 1;
  for (;;) {
    if (void* block = std::malloc(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) return nullptr;
    handler();  // frees memory or throws
  }
}

void* RawAllocateAligned(std::size_t size, std::size_t alignment) {
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  if (size > SIZE_MAX - alignment - sizeof(void*)) return nullptr;
  void* block = RawAllocate(size + alignment + sizeof(void*));
  if (block == nullptr) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(block) + sizeof(void*);
  const auto aligned = (start + alignment - 1) & ~static_cast<std::uintptr_t>(alignment - 1);
  reinterpret_cast<void**>(aligned)[-1] = block;
  return reinterpret_cast<void*>(aligned);
}

void FreeAligned(void* pointer) {
  if (pointer != nullptr) std::free(static_cast<void**>(pointer)[-1]);
}

void* Allocate(std::size_t size) {
  if (CountAndCheck()) throw std::bad_alloc();
  void* block = RawAllocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* AllocateNoThrow(std::size_t size) noexcept {
  if (CountAndCheck()) return nullptr;
  try {
    return RawAllocate(size);
  } catch (...) {
    return nullptr;
  }
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  if (CountAndCheck()) throw std::bad_alloc();
  void* block = RawAllocateAligned(size, static_cast<std::size_t>(alignment));
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* AllocateAlignedNoThrow(std::size_t size, std::align_val_t alignment) noexcept {
  if (CountAndCheck()) return nullptr;
  try {
    return RawAllocateAligned(size, static_cast<std::size_t>(alignment));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

uint64_t AllocationCount() { return allocations.load(); }

void FailNthAllocation(uint64_t k) {
  if (k != 0) fired.store(false);
  countdown.store(k);
}

bool AllocationFailureFired() { return fired.load(); }

}  // namespace testing_support

using testing_support::Allocate;
using testing_support::AllocateAligned;
using testing_support::AllocateAlignedNoThrow;
using testing_support::AllocateNoThrow;
using testing_support::FreeAligned;

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedNoThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedNoThrow(size, alignment);
}

void operator delete(void* pointer) noexcept { std::free(pointer); }
void operator delete[](void* pointer) noexcept { std::free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { std::free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { std::free(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { std::free(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { std::free(pointer); }
void operator delete(void* pointer, std::align_val_t) noexcept { FreeAligned(pointer); }
void operator delete[](void* pointer, std::align_val_t) noexcept { FreeAligned(pointer); }
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept { FreeAligned(pointer); }
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept { FreeAligned(pointer); }
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { FreeAligned(pointer); }
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { FreeAligned(pointer); }
