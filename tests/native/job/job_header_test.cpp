#include "job_fixture.h"

#include "plugin/units.h"

namespace {

using job_testing::JobTest;
using job_testing::kRes600;
using job_testing::LogTail;

const std::string kBegin = "^XA^CI28^S(CMP,U,D";
const std::string kRes300 = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,B";
const std::string kDefaultRun =
    "^S(CLS,G,35^S(CLW,B,0^S(CLW,T,0^S(CLW,L,0^S(CLW,R,0^S(CLM,T,G1^S(CPC,C,N^S(CPC,D,0^S(CPC,P,0^S(CPC,B,0"
    "^S(CLP,M,0^S(CLM,D,W^S(CLM,F,DL^S(CLM,P,IR^S(CLM,S,RP^S(CMP,S,12^S(CMP,F,1";

TEST_F(JobTest, HeaderOfASupportedJobIsSentAtOnce) {
  Setting(u"Override", 0);
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  EXPECT_EQ(Sent(), kBegin + kRes600 + "^S(CLS,P,2267^S(CLS,L,1181^XZ");
  ASSERT_EQ(spooler.writes.size(), 1u);
  EXPECT_EQ(spooler.writes[0].printer, job_testing::kPrinter);
  EXPECT_TRUE(plugin->Commands().empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(plugin->Layout().pageWidth, 2362u);
  EXPECT_EQ(plugin->Layout().leftOffset, 35);
  EXPECT_EQ(plugin->Layout().deviceMargin, 35);
  EXPECT_EQ(trace.lines.back(), u"vpiWritePrintJobHeader(): start\n");
}

TEST_F(JobTest, HeaderAt300DpiConvertsThePageAndSelectsTheLowResolution) {
  Setting(u"Override", 0);
  Initialize(300);
  ASSERT_TRUE(Header(1181, 591));
  EXPECT_EQ(Sent(), kBegin + kRes300 + "^S(CLS,P,2267^S(CLS,L,1182^XZ");
  EXPECT_EQ(plugin->Layout().pageHeight, 1182u);
  EXPECT_EQ(plugin->Layout().deviceMargin, 17);
}

TEST_F(JobTest, OverrideSendsTheSettingsRunRightAfterTheFormatStart) {
  Initialize(600);  // an empty store: Override is on by default
  ASSERT_TRUE(Header(2362, 1181));
  EXPECT_EQ(Sent(), kBegin + kDefaultRun + kRes600 + "^S(CLS,P,2267^S(CLS,L,1181^XZ");
}

TEST_F(JobTest, ANullSizeFailsWithoutTrace) {
  Initialize(600);
  trace.lines.clear();
  EXPECT_FALSE(plugin->vpiWritePrintJobHeader(nullptr));
  EXPECT_TRUE(trace.lines.empty());
  EXPECT_TRUE(spooler.writes.empty());
}

struct PageCase {
  uint32_t width, height;
  bool valid;
  std::string labelSize;
};

TEST_F(JobTest, PageSizeBoundariesAndTheLabelSizeSent) {
  const PageCase cases[] = {
      {1180, 1181, false, "^S(CLS,P,1086^S(CLS,L,1181"}, {1181, 1181, true, "^S(CLS,P,1086^S(CLS,L,1181"},
      {2646, 1181, true, "^S(CLS,P,2551^S(CLS,L,1181"},  {2647, 1181, false, "^S(CLS,P,2551^S(CLS,L,1181"},
      {2362, 599, false, "^S(CLS,P,2267^S(CLS,L,600"},   {2362, 600, true, "^S(CLS,P,2267^S(CLS,L,600"},
      {2362, 14173, true, "^S(CLS,P,2267^S(CLS,L,14173"}, {2362, 14174, false, "^S(CLS,P,2267^S(CLS,L,14173"},
      {944, 500, false, "^S(CLS,P,1086^S(CLS,L,600"},
  };
  Setting(u"Override", 0);
  Setting(u"PrintError", 0);
  Setting(u"ForcePrinting", 1);  // invalid headers are sent too, so the label size can be read
  for (const PageCase& c : cases) {
    spooler.writes.clear();
    log.files.clear();
    Initialize(600);
    ASSERT_TRUE(Header(c.width, c.height));
    EXPECT_EQ(Sent(), kBegin + kRes600 + c.labelSize + "^XZ") << c.width << "x" << c.height;
    const auto lines = LogLines();
    if (c.valid) {
      EXPECT_TRUE(lines.empty()) << c.width << "x" << c.height;
    } else {
      ASSERT_EQ(lines.size(), 1u) << c.width << "x" << c.height;
      EXPECT_EQ(LogTail(lines[0]), "vpiWritePrintJobHeader,Invlid Paper Size: " + std::to_string(c.width) + "x" +
                                       std::to_string(c.height) + "px @ 600dpi");
    }
  }
}

struct OutcomeCase {
  int16_t dpi;
  bool printError, forcePrinting;
  bool sent, errorLabel;
};

TEST_F(JobTest, OutcomeByValidityAndSwitches) {
  const OutcomeCase cases[] = {
      {600, true, true, true, false},   {600, false, false, true, false},
      {200, true, false, true, true},   {200, true, true, true, true},
      {200, false, true, true, false},  {200, false, false, false, false},
  };
  for (const OutcomeCase& c : cases) {
    spooler.writes.clear();
    log.files.clear();
    Setting(u"Override", 0);
    Setting(u"PrintError", c.printError);
    Setting(u"ForcePrinting", c.forcePrinting);
    Initialize(c.dpi);
    ASSERT_TRUE(c.dpi == 600 ? Header(2362, 1181) : Header(787, 400));  // valid sizes at either resolution
    const std::string where = std::to_string(c.dpi) + " " + std::to_string(c.printError) + std::to_string(c.forcePrinting);
    EXPECT_EQ(!spooler.writes.empty(), c.sent) << where;
    EXPECT_EQ(Sent().find("ERROR: Invalid resolution") != std::string::npos, c.errorLabel) << where;
    EXPECT_TRUE(plugin->Commands().empty()) << where;
    const auto lines = LogLines();
    if (c.dpi == 200) {
      ASSERT_EQ(lines.size(), 1u) << where;
      EXPECT_EQ(LogTail(lines[0]), "vpiWritePrintJobHeader,Invlid Resolution: 200dpi");
    } else {
      EXPECT_TRUE(lines.empty()) << where;
    }
  }
}

TEST_F(JobTest, BothSwitchesClearAndANarrowPageLogsAndSendsNothing) {
  Setting(u"PrintError", 0);
  Initialize(600);
  EXPECT_TRUE(Header(944, 1181));
  EXPECT_TRUE(spooler.writes.empty());
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(LogTail(LogLines()[0]).rfind("vpiWritePrintJobHeader,Invlid Paper Size: 944x", 0), 0u);
}

// A page of the job in the buffer: "^XA^CI28^S(CMP,U,D^XZ".
void BufferAPage(plugin::KDV6200Plugin& object) {
  ASSERT_TRUE(object.vpiCreateNewPage());
  ASSERT_TRUE(object.vpiCloseNewPageFinal());
}

TEST_F(JobTest, TheGateOfWritePrinterSendsOrDropsTheRestOfTheJob) {
  const OutcomeCase cases[] = {
      // dpi, PrintError, ForcePrinting, sent
      {600, true, false, true, false}, {600, false, false, true, false}, {200, true, false, false, false},
      {200, true, true, false, false}, {200, false, true, true, false},  {200, false, false, false, false},
  };
  for (const OutcomeCase& c : cases) {
    Setting(u"PrintError", c.printError);
    Setting(u"ForcePrinting", c.forcePrinting);
    Initialize(c.dpi);
    ASSERT_TRUE(c.dpi == 600 ? Header(2362, 1181) : Header(787, 400));
    spooler.writes.clear();
    BufferAPage(*plugin);
    EXPECT_TRUE(plugin->vpiWritePrinter());
    const std::string where = std::to_string(c.dpi) + " " + std::to_string(c.printError) + std::to_string(c.forcePrinting);
    EXPECT_EQ(Sent(), c.sent ? "^XA^CI28^S(CMP,U,D^XZ" : "") << where;
    EXPECT_TRUE(plugin->Commands().empty()) << where;
  }
}

TEST_F(JobTest, AValidJobWithAnEmptyBufferMakesNoSpoolerCall) {
  Initialize(600);
  ASSERT_TRUE(Header(2362, 1181));
  spooler.writes.clear();
  EXPECT_TRUE(plugin->vpiWritePrinter());
  EXPECT_TRUE(spooler.writes.empty());
}

TEST_F(JobTest, AFailedFlushMakesTheHeaderFail) {
  spooler.failOnCall = 1;
  Initialize(600);
  EXPECT_FALSE(Header(2362, 1181));
  EXPECT_TRUE(plugin->Commands().empty());
}

TEST_F(JobTest, AZeroResolutionIsUnsupportedAndDividesNothing) {
  Setting(u"Override", 0);
  Setting(u"PrintError", 0);
  Setting(u"ForcePrinting", 1);
  Initialize(0);
  ASSERT_TRUE(Header(2362, 1181));
  EXPECT_EQ(plugin->Layout().pageWidth, 0u);
  EXPECT_EQ(plugin->Layout().deviceMargin, 0);
  EXPECT_EQ(Sent(), kBegin + kRes600 + "^S(CLS,P,1086^S(CLS,L,600^XZ");
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(LogTail(lines[0]), "vpiWritePrintJobHeader,Invlid Resolution: 0dpi");
  EXPECT_EQ(LogTail(lines[1]), "vpiWritePrintJobHeader,Invlid Paper Size: 0x0px @ 600dpi");
  LayoutWithLeftMargin(50);  // the margin check divides by the resolution too
  spooler.writes.clear();
  BufferAPage(*plugin);
  EXPECT_TRUE(plugin->vpiWritePrinter());  // invalid, forced: sent
  EXPECT_EQ(Sent(), "^XA^CI28^S(CMP,U,D^XZ");
}

TEST_F(JobTest, AHostSizeBeyond32BitDotsIsInvalidNotWrapped) {
  Setting(u"Override", 0);
  Setting(u"PrintError", 0);
  Setting(u"ForcePrinting", 1);
  Initialize(600);
  // 7158279 x 600 wraps 32 bits to 184: a wrapping conversion would call it small.
  ASSERT_TRUE(Header(7158279, 1181));
  EXPECT_EQ(plugin->Layout().pageWidth, 7158279u);
  EXPECT_EQ(Sent(), kBegin + kRes600 + "^S(CLS,P,2551^S(CLS,L,1181^XZ");
  ASSERT_EQ(LogLines().size(), 1u);
  Initialize(300);
  spooler.writes.clear();
  ASSERT_TRUE(Header(0xFFFFFFFFu, 1181));
  EXPECT_EQ(plugin->Layout().pageWidth, 0xFFFFFFFFu);  // saturated, not wrapped
  EXPECT_EQ(Sent().find("^S(CLS,P,2551"), kBegin.size() + kRes300.size());
}

TEST(UnitsTest, LengthConversionRoundsHalfUp) {
  EXPECT_EQ(plugin::TenthsMmToPixels(15, 600), 35);
  EXPECT_EQ(plugin::TenthsMmToPixels(1000, 600), 2362);
  EXPECT_EQ(plugin::TenthsMmToPixels(15, 300), 18);
  EXPECT_EQ(plugin::TenthsMmToPixels(500, 300), 591);
  EXPECT_EQ(plugin::TenthsMmToPixels(0, 600), 0);
  EXPECT_EQ(plugin::TenthsMmToPixels(-15, 600), -34);  // truncation toward zero after adding 0.5
  EXPECT_EQ(plugin::TenthsMmToPixels(2147483647, 32767), 2147483647);  // kept within 32 bits
  EXPECT_EQ(plugin::TenthsMmToPixels(-2147483647 - 1, 32767), -2147483647 - 1);
  EXPECT_EQ(plugin::DeviceMarginPixels(300), 17);
  EXPECT_EQ(plugin::DeviceMarginPixels(600), 35);
  EXPECT_EQ(plugin::OffsetToDots600(17, 600), 17u);
  EXPECT_EQ(plugin::OffsetToDots600(18, 300), 36u);
  EXPECT_EQ(plugin::OffsetToDots600(-1, 600), 4294967295u * 600u / 600u);
  EXPECT_EQ(plugin::OffsetToDots600(100, 0), 0u);
}

}  // namespace
