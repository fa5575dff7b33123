#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<int64_t> live{0};
std::atomic<int64_t> peak{0};
}  // namespace

namespace bench {
int64_t HeapLiveBytes() { return live.load(); }
int64_t HeapPeakBytes() { return peak.load(); }
void ResetHeapPeak() { peak.store(live.load()); }
}  // namespace bench

void* operator new(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  const auto usable = static_cast<int64_t>(malloc_usable_size(block));
  const int64_t now = live.fetch_add(usable) + usable;
  int64_t highest = peak.load();
  while (now > highest && !peak.compare_exchange_weak(highest, now)) {
  }
  return block;
}

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  live.fetch_sub(static_cast<int64_t>(malloc_usable_size(block)));
  std::free(block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }
