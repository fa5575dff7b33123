#include "job_fixture.h"

namespace {

using job_testing::JobTest;
using job_testing::LogTail;

TEST_F(JobTest, LayoutAtZeroDegrees) {
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  plugin->vpiSendLayoutData(0, 1, 2, 500, 300, 1000, 500, 50, 30, 8, 2, 4);
  const plugin::LabelLayout& l = plugin->Layout();
  EXPECT_EQ(l.leftOffset, 118);
  EXPECT_EQ(l.topOffset, 71);
  EXPECT_EQ(l.pitchX, 1181);
  EXPECT_EQ(l.pitchY, 709);
  EXPECT_EQ(l.countX, 2);
  EXPECT_EQ(l.countY, 4);
  EXPECT_EQ(l.columns, 2u);
  EXPECT_EQ(l.rows, 4u);
  EXPECT_EQ(l.labelTotal, 8);
  EXPECT_EQ(l.pageWidth, 2362u);  // the header's, at 0 degrees
  EXPECT_EQ(trace.lines.back(), u"vpiSendLayoutData(): start\n");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(JobTest, LayoutAt90And270DegreesTurnsTheGrid) {
  for (int32_t orientation : {90, 270}) {
    Initialize(600);
    ASSERT_TRUE(Header(2362, 1181));
    // 2 labels across, 3 down; paper 100 x 150 mm, margins 2 and 3 mm.
    plugin->vpiSendLayoutData(orientation, 0, 0, 500, 400, 1000, 1500, 20, 30, 6, 2, 3);
    const plugin::LabelLayout& l = plugin->Layout();
    EXPECT_EQ(l.countX, 3);
    EXPECT_EQ(l.countY, 2);
    EXPECT_EQ(l.pitchX, 945);   // P(400)
    EXPECT_EQ(l.pitchY, 1181);  // P(500)
    EXPECT_EQ(l.pageWidth, 3543u);   // P(1500)
    EXPECT_EQ(l.pageHeight, 2362u);  // P(1000)
    EXPECT_EQ(l.leftOffset, 71);     // P(30)
    EXPECT_EQ(l.topOffset, 2362 - 1181 * 2 - 47);  // P(20) = 47
  }
}

TEST_F(JobTest, LayoutAt180DegreesMirrorsTheOriginAndANegativeOffsetPassesTheCheck) {
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  plugin->vpiSendLayoutData(180, 0, 0, 500, 300, 1000, 500, 50, 30, 4, 2, 2);
  EXPECT_EQ(plugin->Layout().leftOffset, 2362 - 2 * 1181 - 71);
  EXPECT_EQ(plugin->Layout().topOffset, 1181 - 2 * 709 - 118);
  EXPECT_LT(plugin->Layout().leftOffset, 0);
  EXPECT_TRUE(LogLines().empty());  // checked as an unsigned value
}

TEST_F(JobTest, AnUnsupportedOrientationTurnsTheGridButKeepsTheOrigin) {
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  plugin->vpiSendLayoutData(45, 0, 0, 500, 300, 1000, 500, 50, 30, 4, 2, 1);
  EXPECT_EQ(plugin->Layout().countX, 1);
  EXPECT_EQ(plugin->Layout().countY, 2);
  EXPECT_EQ(plugin->Layout().leftOffset, 35);
  EXPECT_EQ(plugin->Layout().topOffset, 0);
  EXPECT_EQ(plugin->Layout().orientation, 45);
}

struct MarginCase {
  int16_t dpi;
  int32_t leftMargin;
  bool valid;
  uint32_t offset;
};

TEST_F(JobTest, LeftMarginBoundaries) {
  const MarginCase cases[] = {
      {600, 15, true, 35}, {600, 14, false, 33}, {300, 15, true, 18}, {300, 14, false, 17},
      {600, 7, false, 17},  // 17 host pixels at 600 dpi
  };
  Setting(u"PrintError", 0);
  for (const MarginCase& c : cases) {
    log.files.clear();
    spooler.writes.clear();
    Initialize(c.dpi);
    ASSERT_TRUE(Header(c.dpi == 600 ? 2362 : 1181, c.dpi == 600 ? 1181 : 591));
    spooler.writes.clear();
    LayoutWithLeftMargin(c.leftMargin);
    EXPECT_EQ(static_cast<uint32_t>(plugin->Layout().leftOffset), c.offset);
    const auto lines = LogLines();
    const std::string where = std::to_string(c.dpi) + "/" + std::to_string(c.leftMargin);
    if (c.valid) {
      EXPECT_TRUE(lines.empty()) << where;
    } else {
      ASSERT_EQ(lines.size(), 1u) << where;
      EXPECT_EQ(LogTail(lines[0]), "vpiSendLayoutData,Invlid Left Margin: " + std::to_string(c.offset) + "px @ " +
                                       std::to_string(c.dpi) + "dpi\n");
    }
    EXPECT_TRUE(spooler.writes.empty()) << where;  // nothing sent without PrintError
    // The rest of the job goes or stays by the gate.
    ASSERT_TRUE(plugin->vpiCreateNewPage());
    ASSERT_TRUE(plugin->vpiCloseNewPageFinal());
    EXPECT_TRUE(plugin->vpiWritePrinter());
    EXPECT_EQ(!spooler.writes.empty(), c.valid) << where;
  }
}

TEST_F(JobTest, AForcedJobWithATooSmallMarginIsSent) {
  Setting(u"PrintError", 0);
  Setting(u"ForcePrinting", 1);
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  LayoutWithLeftMargin(14);
  spooler.writes.clear();
  ASSERT_TRUE(plugin->vpiCreateNewPage());
  ASSERT_TRUE(plugin->vpiCloseNewPageFinal());
  EXPECT_TRUE(plugin->vpiWritePrinter());
  EXPECT_EQ(Sent(), "^XA^CI28^S(CMP,U,D^XZ");
}

TEST_F(JobTest, ATooSmallMarginWithPrintErrorReplacesTheBufferWithTheErrorLabel) {
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  spooler.writes.clear();
  ASSERT_TRUE(plugin->vpiCreateNewPage());  // pending commands are dropped by the label
  plugin->vpiSendLayoutData(0, 0, 0, 500, 300, 1000, 500, 8, 30, 1, 1, 1);
  EXPECT_EQ(Sent(),
            "^XA^CI28^S(CMP,U,D^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A"
            "^FT35,75,0^F(C0,0,0,255,N,255,255,255,0,N^A0N,40,40^FH_^FDERROR: Invalid left margin (0.8mm / 0.03inch)^FS"
            "^FT35,123,0^F(C0,0,0,255,N,255,255,255,0,N^A0N,40,40^FH_^FD"
            "Valid left margin is equal or more than 1.5mm / 0.06 inch^FS^XZ");
  EXPECT_TRUE(plugin->Commands().empty());
}

}  // namespace
