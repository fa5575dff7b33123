// CommandBuffer: appends back to back, grows geometrically and, once large, in place
// without moving; an append that cannot grow the buffer throws and leaves it exactly as
// it was.
#include "commands/command_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/address_space.h"
#include "support/command_bytes.h"
#include "support/fault_alloc.h"

namespace {

using commands::CommandBuffer;
using testing_support::BufferBytes;
using testing_support::CountAllocations;
using testing_support::ScopedAllocationFailure;

void Append(CommandBuffer& buffer, const std::string& bytes) { buffer.Append(bytes.data(), bytes.size()); }

TEST(CommandBuffer, AppendsBytesBackToBackIncludingBinary) {
  CommandBuffer buffer;
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(buffer.size(), 0u);
  Append(buffer, "^XA");
  Append(buffer, std::string("\0\xff~", 3));
  Append(buffer, "^XZ");
  EXPECT_FALSE(buffer.empty());
  EXPECT_EQ(BufferBytes(buffer), std::string("^XA\0\xff~^XZ", 9));
}

TEST(CommandBuffer, EmptyAppendChangesNothingAndReadsNothing) {
  CommandBuffer buffer;
  buffer.Append(nullptr, 0);
  EXPECT_TRUE(buffer.empty());
  Append(buffer, "^XA");
  const uint8_t* before = buffer.data();
  buffer.Append(nullptr, 0);
  EXPECT_EQ(BufferBytes(buffer), "^XA");
  EXPECT_EQ(buffer.data(), before);
}

TEST(CommandBuffer, ClearEmptiesAndTheNextAppendStartsAtTheBeginning) {
  CommandBuffer buffer;
  Append(buffer, "^XA^CI28");
  buffer.Clear();
  EXPECT_TRUE(buffer.empty());
  Append(buffer, "^XZ");
  EXPECT_EQ(BufferBytes(buffer), "^XZ");
}

TEST(CommandBuffer, GrowsGeometricallyNotByEachAppend) {
  CommandBuffer buffer;
  const uint64_t allocations = CountAllocations([&] {
    for (int i = 0; i < 100000; ++i) buffer.Append("^", 1);
  });
  EXPECT_EQ(buffer.size(), 100000u);
  EXPECT_LE(allocations, 40u);  // doubling needs about 17
}

TEST(CommandBuffer, OneLargeAppendAllocatesOnce) {
  CommandBuffer buffer;
  Append(buffer, "^XA");
  const std::string large(1 << 20, 'x');
  EXPECT_EQ(CountAllocations([&] { Append(buffer, large); }), 1u);
  EXPECT_EQ(buffer.size(), 3u + large.size());
}

TEST(CommandBuffer, FailedGrowthThrowsAndLeavesTheBufferAsItWas) {
  for (const size_t preload : {size_t{0}, size_t{1}, size_t{3}, size_t{1000}}) {
    SCOPED_TRACE(preload);
    CommandBuffer buffer;
    const std::string before(preload, 'p');
    Append(buffer, before);
    const uint8_t* data = buffer.data();
    {
      ScopedAllocationFailure failure(1);
      EXPECT_THROW(Append(buffer, "^XA^CI28^S(CMP,U,D"), std::bad_alloc);
      EXPECT_TRUE(failure.Fired());
    }
    EXPECT_EQ(BufferBytes(buffer), before);
    EXPECT_EQ(buffer.data(), data);
    Append(buffer, "^XZ");  // still usable
    EXPECT_EQ(BufferBytes(buffer), before + "^XZ");
  }
}

TEST(CommandBuffer, AppendWithinCapacityCannotFail) {
  CommandBuffer buffer;
  Append(buffer, std::string(64, 'x'));
  buffer.Clear();
  Append(buffer, "^XA");
  EXPECT_EQ(CountAllocations([&] { buffer.Append("^XA^CI28^S(CMP,U,D", 18); }), 0u);
  EXPECT_EQ(BufferBytes(buffer), "^XA^XA^CI28^S(CMP,U,D");
}

TEST(CommandBuffer, CountBeyondTheMaximumLengthIsRefusedWithoutReading) {
  CommandBuffer buffer;
  Append(buffer, "^XA");
  const char one = '^';
  // Only the first byte is readable: the count must be refused before any copy.
  EXPECT_THROW(buffer.Append(&one, SIZE_MAX), std::length_error);
  EXPECT_THROW(buffer.Append(&one, SIZE_MAX - 2), std::length_error);
  EXPECT_EQ(BufferBytes(buffer), "^XA");
}

// The real address space, with refusals on demand.
class RefusingAddressSpace final : public platform::AddressSpace {
 public:
  bool refuseReserve = false;
  int commitsAllowed = -1;  // commits that succeed before every further one is refused (-1: all)
  int released = 0;

  void* Reserve(size_t bytes) override { return refuseReserve ? nullptr : Real().Reserve(bytes); }
  bool Commit(void* start, size_t bytes) override {
    if (commitsAllowed == 0) return false;
    if (commitsAllowed > 0) --commitsAllowed;
    return Real().Commit(start, bytes);
  }
  void Release(void* start, size_t bytes) override {
    ++released;
    Real().Release(start, bytes);
  }

 private:
  static platform::AddressSpace& Real() { return platform::Service<platform::AddressSpace>::Default(); }
};

std::string Piece(int i) { return std::string(size_t{1} << 20, static_cast<char>('a' + i % 26)); }

TEST(CommandBuffer, BeyondFourMebibytesItGrowsInPlace) {
  CommandBuffer buffer;
  std::string expected;
  const uint8_t* settled = nullptr;
  for (int i = 0; i < 24; ++i) {
    Append(buffer, Piece(i));
    expected += Piece(i);
    if (i == 4) settled = buffer.data();  // moved once, past the heap's limit
    if (i > 4) {
      ASSERT_EQ(buffer.data(), settled) << "after " << i + 1 << " MiB";
    }
  }
  EXPECT_EQ(BufferBytes(buffer), expected);
}

TEST(CommandBuffer, RefusedAddressSpaceThrowsAndLeavesTheBufferAsItWas) {
  struct Case {
    const char* label;
    int preload;  // MiB appended before the refusal
    bool refuseReserve;
    int commitsAllowed;
    int releases;  // a reservation it could not use is given back
  };
  const Case cases[] = {
      {"no reservation for the move", 4, true, -1, 0},
      {"reserved but not committed for the move", 4, false, 0, 1},
      {"growth in place refused", 5, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CommandBuffer buffer;
    std::string before;
    for (int i = 0; i < c.preload; ++i) before += Piece(i);
    Append(buffer, before);
    RefusingAddressSpace space;
    platform::ScopedService<platform::AddressSpace> guard(space);
    space.refuseReserve = c.refuseReserve;
    space.commitsAllowed = c.commitsAllowed;
    const uint8_t* data = buffer.data();
    EXPECT_THROW(Append(buffer, std::string(size_t{4} << 20, 'z')), std::bad_alloc);
    EXPECT_EQ(buffer.data(), data);
    EXPECT_EQ(buffer.size(), before.size());
    EXPECT_TRUE(BufferBytes(buffer) == before);
    EXPECT_EQ(space.released, c.releases);
  }
}

TEST(CommandBuffer, ReplaceMovesWhatFollows) {
  struct Case {
    size_t offset, count;
    std::string with, expected;
  };
  const Case cases[] = {
      {5, 7, "1234", "~DYR:1234,b,PNG"},
      {5, 7, "1234567", "~DYR:1234567,b,PNG"},
      {5, 7, "123456789", "~DYR:123456789,b,PNG"},
      {0, 18, "", ""},
  };
  for (const Case& c : cases) {
    CommandBuffer buffer;
    Append(buffer, "~DYR:9999999,b,PNG");
    buffer.Replace(c.offset, c.count, c.with.data(), c.with.size());
    EXPECT_EQ(BufferBytes(buffer), c.expected);
  }
  CommandBuffer buffer;
  Append(buffer, "^XA");
  EXPECT_THROW(buffer.Replace(2, 2, "x", 1), std::out_of_range);
  EXPECT_EQ(BufferBytes(buffer), "^XA");
}

}  // namespace
