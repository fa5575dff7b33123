// Handing the command buffer to the spooler: SendToPrinter directly, and vpiWritePrinter.
#include "plugin/printer_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/format_commands.h"
#include "plugin_fixture.h"
#include "stream/command_stream.h"
#include "stream/png_summary.h"

namespace {

using commands::CommandBuffer;
using plugin_testing::kPrinter;
using plugin_testing::PluginObjectTest;

class SendToPrinterTest : public ::testing::Test {
 protected:
  testing_support::FakeSpooler spooler;
  platform::ScopedService<platform::Spooler> guard{spooler};
  CommandBuffer buffer;
  const std::string bytes = std::string("^XA~DYR:B,B,P,4,b,\0\xff^~^XZ", 25);

  void SetUp() override { buffer.Append(bytes.data(), bytes.size()); }
};

TEST_F(SendToPrinterTest, EmptyBufferMakesNoSpoolerCall) {
  buffer.Clear();
  EXPECT_TRUE(plugin::SendToPrinter(kPrinter, buffer));
  EXPECT_TRUE(spooler.writes.empty());
}

TEST_F(SendToPrinterTest, OrdinaryBufferGoesInOneCallAndIsEmptied) {
  EXPECT_TRUE(plugin::SendToPrinter(kPrinter, buffer));
  ASSERT_EQ(spooler.writes.size(), 1u);
  EXPECT_EQ(spooler.writes[0].printer, kPrinter);
  EXPECT_EQ(spooler.writes[0].size, bytes.size());
  EXPECT_EQ(spooler.writes[0].bytes, bytes);
  EXPECT_TRUE(buffer.empty());
}

TEST_F(SendToPrinterTest, ShortWritesAreContinuedFromWhereTheSpoolerStopped) {
  spooler.acceptAtMost = 10;
  EXPECT_TRUE(plugin::SendToPrinter(kPrinter, buffer));
  ASSERT_EQ(spooler.writes.size(), 3u);
  EXPECT_EQ(spooler.writes[0].bytes, bytes);
  EXPECT_EQ(spooler.writes[1].bytes, bytes.substr(10));
  EXPECT_EQ(spooler.writes[2].bytes, bytes.substr(20));
  for (const auto& write : spooler.writes) EXPECT_EQ(write.printer, kPrinter);
  EXPECT_TRUE(buffer.empty());
}

TEST_F(SendToPrinterTest, FailuresReturnFalseAndStillEmptyTheBuffer) {
  const struct {
    const char* label;
    uint32_t failOnCall;
    uint32_t acceptAtMost;
    bool reportZero;
    size_t calls;
  } cases[] = {
      {"first call fails", 1, UINT32_MAX, false, 1},
      {"continuation after a short write fails", 2, 10, false, 2},
      {"success with nothing written ends at once", 0, UINT32_MAX, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    spooler = {};
    spooler.failOnCall = c.failOnCall;
    spooler.acceptAtMost = c.acceptAtMost;
    spooler.reportZeroWritten = c.reportZero;
    buffer.Clear();
    buffer.Append(bytes.data(), bytes.size());
    EXPECT_FALSE(plugin::SendToPrinter(kPrinter, buffer));
    EXPECT_EQ(spooler.writes.size(), c.calls);
    EXPECT_TRUE(buffer.empty());
  }
}

TEST_F(SendToPrinterTest, AppendingAfterASendStartsAtTheBeginning) {
  ASSERT_TRUE(plugin::SendToPrinter(kPrinter, buffer));
  ASSERT_TRUE(commands::EndLabelFormat(&buffer));
  EXPECT_EQ(testing_support::BufferBytes(buffer), "^XZ");
  ASSERT_TRUE(plugin::SendToPrinter(kPrinter, buffer));
  ASSERT_EQ(spooler.writes.size(), 2u);
  EXPECT_EQ(spooler.writes[1].bytes, "^XZ");
}

TEST_F(PluginObjectTest, WritePrinterWithAnEmptyBufferMakesNoSpoolerCall) {
  Initialize(600);
  trace.lines.clear();
  EXPECT_TRUE(plugin.vpiWritePrinter());
  EXPECT_TRUE(spooler.writes.empty());
  EXPECT_EQ(trace.lines, std::vector<std::u16string>{u"vpiWritePrinter(): start\n"});
}

TEST_F(PluginObjectTest, WritePrinterSendsTheWholeBufferInOneCallToTheHostsHandle) {
  StartValidJob();
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  ASSERT_TRUE(plugin.vpiCloseNewPageFinal());
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  ASSERT_TRUE(plugin.vpiCloseNewPageFinal());
  EXPECT_TRUE(plugin.vpiWritePrinter());
  ASSERT_EQ(spooler.writes.size(), 1u);
  EXPECT_EQ(spooler.writes[0].printer, kPrinter);
  EXPECT_EQ(spooler.writes[0].bytes, "^XA^CI28^S(CMP,U,D^XZ^XA^CI28^S(CMP,U,D^XZ");
  EXPECT_TRUE(plugin.Commands().empty());
  // Nothing is left to send a second time.
  EXPECT_TRUE(plugin.vpiWritePrinter());
  EXPECT_EQ(spooler.writes.size(), 1u);
}

TEST_F(PluginObjectTest, FailedWritePrinterReturnsFalseAndTheDataIsGone) {
  StartValidJob();
  spooler.failOnCall = 1;
  ASSERT_TRUE(plugin.vpiCreateNewPage());
  EXPECT_FALSE(plugin.vpiWritePrinter());
  EXPECT_EQ(spooler.writes.size(), 1u);
  EXPECT_TRUE(plugin.Commands().empty());
  // Not retried: the next flush has nothing to send.
  spooler.failOnCall = 0;
  EXPECT_TRUE(plugin.vpiWritePrinter());
  EXPECT_EQ(spooler.writes.size(), 1u);
}

TEST_F(PluginObjectTest, TheBytesOfAJobReadBackAsWellFramedFormats) {
  Initialize(600);
  const plugin::HostPageSize size{2362, 1181};
  ASSERT_TRUE(plugin.vpiWritePrintJobHeader(&size));
  int tag = 0;
  const plugin::HostPoint point{100, 200};
  for (int page = 0; page < 2; ++page) {
    ASSERT_TRUE(plugin.vpiCreateNewPage());
    ASSERT_TRUE(plugin.vpiWriteText(u"^_~ caret, underscore, tilde", &point, 30, &tag));
    ASSERT_TRUE(plugin.vpiCloseNewPageStatic(1));
    ASSERT_TRUE(plugin.vpiCloseNewPageFinal());
  }
  ASSERT_TRUE(plugin.vpiWritePrinter());
  ASSERT_EQ(spooler.writes.size(), 2u);  // the header at once, the pages at the flush

  const auto stream = label_stream::ReadCommandStream(spooler.AllBytes());
  EXPECT_TRUE(stream.ok());
  EXPECT_TRUE(label_stream::FindFramingViolations(stream).empty());
  EXPECT_TRUE(label_stream::FindBadDownloads(stream).empty());
  size_t formats = 0;
  for (const auto& command : stream.commands) formats += command.text == "^XA";
  EXPECT_EQ(formats, 3u);
}

}  // namespace
