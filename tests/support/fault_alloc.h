// Fault injection for allocations. Linking fault_alloc.cpp replaces the global operator
// new and delete (every form, backed by malloc and free) with versions that count each
// allocation and can be told to fail exactly one of the next ones, so a test can walk a
// failure over every allocation an operation makes:
//
//   for (uint64_t k = 1;; ++k) {
//     bool ok;
//     { ScopedAllocationFailure failure(k); ok = Operation(); if (!failure.Fired()) break; }
//     ... check what a failure at allocation k left behind ...
//   }
//
// A failing throwing form throws std::bad_alloc; a failing nothrow form returns null.
#pragma once

#include <cstdint>

namespace testing_support {

// Allocations made through operator new, all forms, since the program started.
uint64_t AllocationCount();

// Makes the k-th allocation from now fail (k >= 1) and every other one succeed;
// k = 0 cancels a failure that has not happened yet.
void FailNthAllocation(uint64_t k);

// True once the failure armed by the last FailNthAllocation has happened.
bool AllocationFailureFired();

// Arms the k-th allocation from now to fail for as long as it lives.
class ScopedAllocationFailure {
 public:
  explicit ScopedAllocationFailure(uint64_t k) { FailNthAllocation(k); }
  ~ScopedAllocationFailure() { FailNthAllocation(0); }
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;
  bool Fired() const { return AllocationFailureFired(); }
};

// The number of allocations `action` makes.
template <class Action>
uint64_t CountAllocations(Action&& action) {
  const uint64_t before = AllocationCount();
  action();
  return AllocationCount() - before;
}

}  // namespace testing_support
