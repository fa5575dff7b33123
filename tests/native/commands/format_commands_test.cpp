// The format writers: their exact bytes, a null buffer, and an allocation failure at
// every allocation each writer makes (false, buffer unchanged, one log entry).
#include "commands/format_commands.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/service.h"
#include "support/command_bytes.h"
#include "support/fake_log_system.h"
#include "support/fault_alloc.h"
#include "support/log_lines.h"

namespace {

using commands::CommandBuffer;
using commands::DotPoint;
using commands::DotSize;
using testing_support::BufferBytes;
using testing_support::FakeLogSystem;
using testing_support::IsPainterFailure;
using testing_support::LogLines;
using testing_support::AllocationFailureWalk;

struct WriterCase {
  const char* label;
  std::function<bool(CommandBuffer*)> write;
  std::string bytes;
};

const std::string kResolutionPrefix = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,";

std::vector<WriterCase> AllWriterCases() {
  using namespace commands;
  return {
      {"BeginLabelFormat", [](CommandBuffer* b) { return BeginLabelFormat(b); }, "^XA^CI28^S(CMP,U,D"},
      {"EndLabelFormat", [](CommandBuffer* b) { return EndLabelFormat(b); }, "^XZ"},
      {"WriteLabelSize 2551x14173", [](CommandBuffer* b) { return WriteLabelSize(b, {2551, 14173}); },
       "^S(CLS,P,2551^S(CLS,L,14173"},
      {"WriteLabelSize 0x0", [](CommandBuffer* b) { return WriteLabelSize(b, {0, 0}); }, "^S(CLS,P,0^S(CLS,L,0"},
      {"WriteLabelSize width and height kept apart", [](CommandBuffer* b) { return WriteLabelSize(b, {1, 20}); },
       "^S(CLS,P,1^S(CLS,L,20"},
      {"WriteLabelSize -1 passed through unsigned",
       [](CommandBuffer* b) { return WriteLabelSize(b, {static_cast<uint32_t>(-1), 4294967295u}); },
       "^S(CLS,P,4294967295^S(CLS,L,4294967295"},
      {"WriteResolution 300", [](CommandBuffer* b) { return WriteResolution(b, 300); }, kResolutionPrefix + "B"},
      {"WriteResolution 600", [](CommandBuffer* b) { return WriteResolution(b, 600); }, kResolutionPrefix + "A"},
      {"WriteResolution 0", [](CommandBuffer* b) { return WriteResolution(b, 0); }, kResolutionPrefix + "A"},
      {"WriteResolution 299", [](CommandBuffer* b) { return WriteResolution(b, 299); }, kResolutionPrefix + "A"},
      {"WriteResolution 301", [](CommandBuffer* b) { return WriteResolution(b, 301); }, kResolutionPrefix + "A"},
      {"WriteResolution -300", [](CommandBuffer* b) { return WriteResolution(b, -300); }, kResolutionPrefix + "A"},
      {"WriteResolution 300 + 65536", [](CommandBuffer* b) { return WriteResolution(b, 65836); },
       kResolutionPrefix + "A"},
      {"WriteResolution 1200", [](CommandBuffer* b) { return WriteResolution(b, 1200); }, kResolutionPrefix + "A"},
      {"WriteWhiteBox empty page square", [](CommandBuffer* b) { return WriteWhiteBox(b, {0, 0}, 100, 100, 100); },
       "^FO0,0^GB100,100,100,W,0^FS"},
      {"WriteWhiteBox every argument in its place",
       [](CommandBuffer* b) { return WriteWhiteBox(b, {10, 20}, 30, 40, 5); }, "^FO10,20^GB30,40,5,W,0^FS"},
      {"WriteWhiteBox zeros", [](CommandBuffer* b) { return WriteWhiteBox(b, {0, 0}, 0, 0, 0); },
       "^FO0,0^GB0,0,0,W,0^FS"},
      {"WriteWhiteBox -1 passed through unsigned",
       [](CommandBuffer* b) {
         return WriteWhiteBox(b, {static_cast<uint32_t>(-1), static_cast<uint32_t>(-35)}, UINT32_MAX, 1, 2);
       },
       "^FO4294967295,4294967261^GB4294967295,1,2,W,0^FS"},
  };
}

class FormatCommands : public ::testing::Test {
 protected:
  FakeLogSystem log_;
  platform::ScopedService<platform::LogSystem> logGuard_{log_};
};

TEST_F(FormatCommands, WriteTheirExactBytesIntoAnEmptyBuffer) {
  for (const auto& c : AllWriterCases()) {
    SCOPED_TRACE(c.label);
    CommandBuffer buffer;
    EXPECT_TRUE(c.write(&buffer));
    EXPECT_EQ(BufferBytes(buffer), c.bytes);
  }
  EXPECT_TRUE(LogLines(log_).empty());
}

TEST_F(FormatCommands, AppendAtTheEndOfWhatIsThere) {
  for (const auto& c : AllWriterCases()) {
    SCOPED_TRACE(c.label);
    CommandBuffer buffer;
    buffer.Append("^XA~x", 5);
    EXPECT_TRUE(c.write(&buffer));
    EXPECT_EQ(BufferBytes(buffer), "^XA~x" + c.bytes);
  }
}

TEST_F(FormatCommands, NullBufferIsFalseWithoutALogEntry) {
  for (const auto& c : AllWriterCases()) {
    SCOPED_TRACE(c.label);
    EXPECT_FALSE(c.write(nullptr));
  }
  EXPECT_TRUE(log_.files.empty());
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(FormatCommands, FormatStartAndEndFrameExactly21Bytes) {
  CommandBuffer buffer;
  ASSERT_TRUE(commands::BeginLabelFormat(&buffer));
  ASSERT_TRUE(commands::EndLabelFormat(&buffer));
  EXPECT_EQ(BufferBytes(buffer), "^XA^CI28^S(CMP,U,D^XZ");
  EXPECT_EQ(buffer.size(), 21u);
}

TEST_F(FormatCommands, AppendingAfterClearStartsAtTheBeginning) {
  CommandBuffer buffer;
  ASSERT_TRUE(commands::BeginLabelFormat(&buffer));
  ASSERT_TRUE(commands::WriteLabelSize(&buffer, {2551, 14173}));
  buffer.Clear();
  ASSERT_TRUE(commands::EndLabelFormat(&buffer));
  EXPECT_EQ(BufferBytes(buffer), "^XZ");
}

// The buffer states a failure is tried in: each makes a writer allocate differently.
struct BufferState {
  const char* label;
  std::function<void(CommandBuffer&)> prepare;
  bool mustGrow;
};

const BufferState kBufferStates[] = {
    {"empty, never allocated", [](CommandBuffer&) {}, true},
    {"full to its capacity", [](CommandBuffer& b) { b.Append("^XA", 3); }, true},
    {"with room to spare",
     [](CommandBuffer& b) {
       b.Append(std::string(256, 'x').data(), 256);
       b.Clear();
       b.Append("^XA", 3);
     },
     false},
};

TEST_F(FormatCommands, AllocationFailureAtEveryPointLeavesTheBufferAndLogsOnce) {
  for (const auto& state : kBufferStates) {
    for (const auto& c : AllWriterCases()) {
      SCOPED_TRACE(std::string(state.label) + " / " + c.label);
      AllocationFailureWalk walk;
      while (walk.Next()) {
        FakeLogSystem log;
        platform::ScopedService<platform::LogSystem> guard(log);
        CommandBuffer buffer;
        state.prepare(buffer);
        const std::string before = BufferBytes(buffer);
        const uint8_t* data = buffer.data();
        const bool result = walk.Run([&] { return c.write(&buffer); });
        if (!walk.Fired()) {
          EXPECT_TRUE(result);
          EXPECT_EQ(BufferBytes(buffer), before + c.bytes);
          EXPECT_TRUE(LogLines(log).empty());
          continue;
        }
        SCOPED_TRACE("allocation " + std::to_string(walk.Point()));
        EXPECT_FALSE(result);
        EXPECT_EQ(BufferBytes(buffer), before);
        EXPECT_EQ(buffer.data(), data);
        const auto lines = LogLines(log);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(IsPainterFailure(lines[0])) << lines[0];
      }
      // A buffer that has to grow allocates at least once, so the walk was not empty.
      if (state.mustGrow) {
        EXPECT_GE(walk.FailurePoints(), 1u);
      }
    }
  }
}

}  // namespace
