// The allocation fault switch the writer tests rely on: every form of operator new is
// counted, exactly the armed allocation fails, and the walk visits every allocation.
#include "support/fault_alloc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace {

using testing_support::AllocationFailureFired;
using testing_support::AllocationFailureWalk;
using testing_support::CountAllocations;
using testing_support::ScopedAllocationFailure;

struct alignas(256) Aligned {
  unsigned char bytes[256];
};

// Exactly three allocations, one of each kind of form.
void ThreeAllocations() {
  auto single = std::make_unique<int>(7);
  auto array = std::make_unique<int[]>(5);
  auto aligned = std::make_unique<Aligned>();
  ASSERT_EQ(reinterpret_cast<std::uintptr_t>(aligned.get()) % alignof(Aligned), 0u);
}

TEST(FaultAlloc, CountsEveryForm) {
  EXPECT_EQ(CountAllocations(ThreeAllocations), 3u);
  EXPECT_EQ(CountAllocations([] { delete new (std::nothrow) int; }), 1u);
  EXPECT_EQ(CountAllocations([] { delete[] new (std::nothrow) Aligned[2]; }), 1u);
  EXPECT_EQ(CountAllocations([] {}), 0u);
}

TEST(FaultAlloc, OnlyTheArmedAllocationFails) {
  ScopedAllocationFailure failure(2);
  auto first = std::make_unique<int>(1);
  EXPECT_FALSE(failure.Fired());
  EXPECT_THROW(std::make_unique<int>(2), std::bad_alloc);
  EXPECT_TRUE(failure.Fired());
  auto third = std::make_unique<int>(3);
  EXPECT_EQ(*first + *third, 4);
}

TEST(FaultAlloc, EveryFormFailsItsOwnWay) {
  {
    ScopedAllocationFailure failure(1);
    EXPECT_EQ(new (std::nothrow) int, nullptr);
  }
  {
    ScopedAllocationFailure failure(1);
    EXPECT_EQ(new (std::nothrow) Aligned, nullptr);
  }
  {
    ScopedAllocationFailure failure(1);
    EXPECT_THROW(std::make_unique<Aligned[]>(3), std::bad_alloc);
  }
  EXPECT_TRUE(AllocationFailureFired());
}

TEST(FaultAlloc, CancelledFailureNeverHappens) {
  { ScopedAllocationFailure failure(1000000); }
  EXPECT_NO_THROW(CountAllocations([] { std::vector<int> v(100); }));
  EXPECT_FALSE(AllocationFailureFired());
}

TEST(FaultAlloc, WalkVisitsEachAllocationThenOneCompleteRun) {
  std::vector<uint64_t> failedAt;
  int completeRuns = 0;
  AllocationFailureWalk walk;
  while (walk.Next()) {
    bool threw = false;
    walk.Run([&] {
      try {
        ThreeAllocations();
      } catch (const std::bad_alloc&) {
        threw = true;
      }
    });
    EXPECT_EQ(threw, walk.Fired());
    if (walk.Fired()) {
      failedAt.push_back(walk.Point());
    } else {
      ++completeRuns;
    }
  }
  EXPECT_EQ(failedAt, (std::vector<uint64_t>{1, 2, 3}));
  EXPECT_EQ(completeRuns, 1);
  EXPECT_EQ(walk.FailurePoints(), 3u);
}

TEST(FaultAlloc, WalkPassesTheResultThrough) {
  AllocationFailureWalk walk;
  ASSERT_TRUE(walk.Next());
  EXPECT_EQ(walk.Run([] { return 42; }), 42);
  EXPECT_FALSE(walk.Fired());
  EXPECT_FALSE(walk.Next());
  EXPECT_EQ(walk.FailurePoints(), 0u);
}

}  // namespace
