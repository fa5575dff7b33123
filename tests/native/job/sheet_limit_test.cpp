// Layouts with more label positions than a sheet can hold: the 64-bit count, its log
// entry, the job handled as one with a bad margin, and work bounded when it is printed.
#include "job_fixture.h"

namespace {

using job_testing::JobTest;
using job_testing::LogTail;

class SheetLimitTest : public JobTest {
 protected:
  testing_support::FakeBitmapReader bitmaps;
  platform::ScopedService<platform::BitmapReader> bitmapGuard{bitmaps};

  // A fresh 600-dpi job, margins valid, zero pitch: every position lies at printer x 83.
  void Job(int32_t columns, int32_t rows, bool printError, bool forcePrinting) {
    NewObject();
    Setting(u"Override", 0);
    Setting(u"PrintError", printError);
    Setting(u"ForcePrinting", forcePrinting);
    Initialize(600);
    ASSERT_TRUE(Header(2362, 1181));
    log.files.clear();
    spooler.writes.clear();
    plugin->vpiSendLayoutData(0, 0, 0, 0, 0, 1000, 500, 50, 0, 1, columns, rows);
  }
  // A 1 x 1 white base image, tiled over the sheet.
  bool SendBase() {
    bitmaps.width = bitmaps.height = 1;
    bitmaps.stride = 4;
    bitmaps.pixels.assign(4, '\xff');
    return plugin->vpiSendBitmap(reinterpret_cast<platform::DeviceContext>(1),
                                 reinterpret_cast<platform::BitmapHandle>(2), "BASE");
  }
  static size_t Count(const std::string& bytes, const std::string& what) {
    size_t count = 0;
    for (size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) ++count;
    return count;
  }
};

TEST_F(SheetLimitTest, MoreThanTenThousandPositionsIsLoggedAndDropped) {
  const struct {
    int32_t columns, rows;
    const char* count;  // in the log entry; null: a valid layout
  } cases[] = {{100, 100, nullptr}, {10000, 1, nullptr}, {10001, 1, "10001"}, {73, 137, "10001"},
               {65536, 65536, "4294967296"}, {-1, 1, "4294967295"}, {-1, -1, "18446744065119617025"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
    Job(c.columns, c.rows, false, false);
    const std::vector<std::string> lines = LogLines();
    if (c.count == nullptr) {
      EXPECT_TRUE(lines.empty());
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(LogTail(lines[0]), std::string("vpiSendLayoutData,Invlid Labels Per Sheet: ") + c.count +
                                       " (at most 10000)");
    }
    // 65536 x 65536 wraps to 0 in 32 bits: the closings once divided by it.
    for (bool last : {false, true}) {
      ASSERT_TRUE(plugin->vpiCreateNewPage());
      ASSERT_TRUE(plugin->vpiCloseNewPageStatic(3));
      ASSERT_TRUE(plugin->vpiCloseNewPageFinal());
      EXPECT_TRUE(plugin->vpiWritePrinter());
      EXPECT_EQ(spooler.writes.empty(), c.count != nullptr) << last;
    }
  }
}

TEST_F(SheetLimitTest, ThePrintErrorLabelHasNoLineForTheCount) {
  Job(10001, 1, true, false);
  EXPECT_EQ(Sent(), "^XA^CI28^S(CMP,U,D^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A^XZ");
  ASSERT_TRUE(plugin->vpiCreateNewPage());
  EXPECT_TRUE(plugin->vpiWritePrinter());
  EXPECT_EQ(spooler.writes.size(), 1u);  // the rest of the job is dropped
  Job(10001, 1, false, true);
  EXPECT_EQ(Sent(), "");
  ASSERT_TRUE(plugin->vpiCreateNewPage());
  EXPECT_TRUE(plugin->vpiWritePrinter());
  EXPECT_EQ(Sent(), "^XA^CI28^S(CMP,U,D");  // forced
}

TEST_F(SheetLimitTest, TilingAndMaskingStopAtTenThousandPositions) {
  const struct {
    int32_t columns, rows;
    size_t recalls;
  } cases[] = {{100, 100, 10000}, {10001, 1, 10000}, {20000, 20000, 10000}, {-1, 1, 0}, {1, -1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
    Job(c.columns, c.rows, false, true);
    ASSERT_TRUE(SendBase());
    EXPECT_EQ(Count(Buffered(), "^IMR:BASE.PNG"), c.recalls);
    ASSERT_TRUE(plugin->vpiWritePrinter());
    ASSERT_TRUE(plugin->vpiCreateNewPage());
    ASSERT_TRUE(plugin->vpiCloseNewPageDynamic(1));  // the last page: every position is vacant
    EXPECT_EQ(Count(Buffered(), "^GB1,1,1,W"), 10000u);
  }
}

}  // namespace
