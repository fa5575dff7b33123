// The spooler path under Wine: the project's Win32 spooler service writing into a
// printer on FILE:, and the DLL writing through a handle the test opened as the host.
#include <string>

#include "platform/spooler.h"
#include "plugin_fixture.h"
#include "common/win_files.h"
#include "common/wine_printer.h"

namespace kdv_test {
namespace {

using win_tools::ReadFileBytes;
using win_tools::TempFilePath;
using win_tools::WinePrinter;

// A printer with an open document whose output file is removed afterwards.
class PrinterTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    output_ = TempFilePath(L"zov-spooler-test");
    ::DeleteFileW(output_.c_str());
    ASSERT_TRUE(printer_.Create()) << printer_.LastError();
    ASSERT_TRUE(printer_.StartDocument(output_)) << printer_.LastError();
  }
  void TearDown() override {
    PluginTest::TearDown();
    printer_.Delete();
    ::DeleteFileW(output_.c_str());
  }

  // Ends the document and returns what reached the file.
  std::string Output() {
    EXPECT_TRUE(printer_.EndDocument()) << printer_.LastError();
    return ReadFileBytes(output_);
  }

  WinePrinter printer_{L"ZOV Spooler Test"};
  std::wstring output_;
};

std::string AllByteValues(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

TEST_F(PrinterTest, ServiceWritesExactBytes) {
  // Binary data passes unchanged: NUL, CR and LF bytes included, one call per buffer.
  const std::string chunks[] = {std::string("^XA^XZ"), AllByteValues(256), std::string("\r\n\0\x1a", 4),
                                AllByteValues(70001)};
  std::string expected;
  for (const std::string& chunk : chunks) {
    uint32_t written = 0;
    EXPECT_TRUE(platform::GetSpooler().WritePrinter(printer_.Handle(), chunk.data(),
                                                    static_cast<uint32_t>(chunk.size()), &written));
    EXPECT_EQ(written, chunk.size());
    expected += chunk;
  }
  const std::string output = Output();
  EXPECT_EQ(output.size(), expected.size());
  EXPECT_TRUE(output == expected) << "the bytes read back differ";
}

TEST_F(PrinterTest, ServiceReportsAFailedWrite) {
  uint32_t written = 12345;
  const char data[] = "^XA";
  EXPECT_FALSE(platform::GetSpooler().WritePrinter(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0xBAD0)), data, 3,
                                                   &written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(Output(), "");
}

TEST_F(PrinterTest, ServiceOpensAndClosesByName) {
  platform::PrinterHandle handle = nullptr;
  ASSERT_TRUE(platform::GetSpooler().OpenPrinterForAdmin(u"ZOV Spooler Test", &handle));
  EXPECT_NE(handle, nullptr);
  EXPECT_TRUE(platform::GetSpooler().ClosePrinter(handle));

  handle = nullptr;
  EXPECT_FALSE(platform::GetSpooler().OpenPrinterForAdmin(u"ZOV No Such Printer", &handle));
  EXPECT_EQ(handle, nullptr);
}

TEST_F(PrinterTest, PluginWithEmptyBufferSendsNothing) {
  void* object = NewInitialisedObject(printer_.Handle());
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(SlotOf<slot::NoArguments>(object, 21)(object));
  EXPECT_TRUE(SlotOf<slot::NoArguments>(object, 21)(object));
  EXPECT_EQ(TraceLines(), (std::vector<std::string>{"vpiWritePrinter(): start\n", "vpiWritePrinter(): start\n"}));
  EXPECT_EQ(Output(), "");
}

TEST_F(PrinterTest, TwoObjectsWriteOnlyTheirOwnData) {
  // The same calls on two interleaved objects give each printer exactly what one object
  // alone gives: nothing of one job leaks into the other.
  const PageSize wide{2362, 1181};
  const PageSize narrow{1181, 600};
  auto runJob = [](void* object, const PageSize& page) {
    SlotOf<slot::WritePrintJobHeader>(object, 10)(object, &page);
    SlotOf<slot::NoArguments>(object, 21)(object);
  };

  WinePrinter other(L"ZOV Spooler Test 2");
  const std::wstring otherOutput = TempFilePath(L"zov-spooler-test-2");
  ::DeleteFileW(otherOutput.c_str());
  ASSERT_TRUE(other.Create()) << other.LastError();
  ASSERT_TRUE(other.StartDocument(otherOutput)) << other.LastError();
  void* first = NewInitialisedObject(printer_.Handle());
  void* second = NewInitialisedObject(other.Handle());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  SlotOf<slot::WritePrintJobHeader>(first, 10)(first, &wide);
  SlotOf<slot::WritePrintJobHeader>(second, 10)(second, &narrow);
  SlotOf<slot::NoArguments>(second, 21)(second);
  SlotOf<slot::NoArguments>(first, 21)(first);
  const std::string firstBytes = Output();
  ASSERT_TRUE(other.EndDocument()) << other.LastError();
  const std::string secondBytes = ReadFileBytes(otherOutput);

  // The reference runs, one object at a time.
  ASSERT_TRUE(printer_.StartDocument(output_)) << printer_.LastError();
  runJob(NewInitialisedObject(printer_.Handle()), wide);
  const std::string firstAlone = Output();
  ASSERT_TRUE(other.StartDocument(otherOutput)) << other.LastError();
  runJob(NewInitialisedObject(other.Handle()), narrow);
  ASSERT_TRUE(other.EndDocument()) << other.LastError();
  const std::string secondAlone = ReadFileBytes(otherOutput);
  ::DeleteFileW(otherOutput.c_str());

  EXPECT_EQ(firstBytes, firstAlone);
  EXPECT_EQ(secondBytes, secondAlone);
}

}  // namespace
}  // namespace kdv_test
