// CommandBuffer: appends back to back, grows geometrically, and an append that cannot
// grow the buffer throws and leaves it exactly as it was.
#include "commands/command_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

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

}  // namespace
