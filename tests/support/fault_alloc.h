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

// Steps a failure through allocation 1, 2, ... of an operation until a run completes
// without reaching the failing allocation.
class AllocationFailureWalk {
 public:
  explicit AllocationFailureWalk(uint64_t limit = 100000) : limit_(limit) {}
  // Moves to the next allocation; false once a run got through without failing (or at the limit).
  bool Next() {
    if (point_ != 0 && !fired_) return false;
    ++point_;
    fired_ = false;
    return point_ <= limit_;
  }
  // Runs `action` with allocation Point() failing, and returns its result.
  template <class Action>
  decltype(auto) Run(Action&& action) {
    ScopedAllocationFailure failure(point_);
    struct Note {
      ScopedAllocationFailure& failure;
      bool& fired;
      ~Note() { fired = failure.Fired(); }
    } note{failure, fired_};
    return action();
  }
  // Whether the last Run reached its failing allocation.
  bool Fired() const { return fired_; }
  uint64_t Point() const { return point_; }
  // Runs that failed an allocation so far.
  uint64_t FailurePoints() const { return fired_ ? point_ : point_ - 1; }

 private:
  uint64_t limit_;
  uint64_t point_ = 0;
  bool fired_ = false;
};

// The number of allocations `action` makes.
template <class Action>
uint64_t CountAllocations(Action&& action) {
  const uint64_t before = AllocationCount();
  action();
  return AllocationCount() - before;
}

}  // namespace testing_support
