#include "job_fixture.h"

namespace {

using job_testing::JobTest;
using job_testing::kRes600;

std::string Line(int y, const std::string& text) {
  return "^FT35," + std::to_string(y + 40) + ",0^F(C0,0,0,255,N,255,255,255,0,N^A0N,40,40^FH_^FD" + text + "^FS";
}

const std::string kHead = "^XA^CI28^S(CMP,U,D^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A";

class ErrorLabelTest : public JobTest {
 protected:
  void SetUp() override { Setting(u"Override", 0); }
};

TEST_F(ErrorLabelTest, AnUnsupportedResolution) {
  Initialize(200);
  ASSERT_TRUE(Header(787, 400));  // 2361 x 1200 dots: a valid size
  EXPECT_EQ(Sent(), kHead + "^S(CLS,P,2266^S(CLS,L,1200" + kRes600 + Line(35, "ERROR: Invalid resolution (200dpi)") +
                        Line(83, "Valid resolutions are 300dpi and 600dpi.") + "^XZ");
}

TEST_F(ErrorLabelTest, AnUnsupportedPageSize) {
  Initialize(600);
  ASSERT_TRUE(Header(944, 500));
  EXPECT_EQ(Sent(), kHead + "^S(CLS,P,1086^S(CLS,L,600" + kRes600 +
                        Line(35, "ERROR: Invalid paper size (40.0x21.2mm / 1.57x0.83inch)") +
                        Line(83, "Valid paper width: 50.0 - 112.0 mm / 1.97 - 4.41 inch") +
                        Line(131, "Valid paper height: 25.4 - 600.0 mm / 1.00 - 23.62 inch") + "^XZ");
}

TEST_F(ErrorLabelTest, BothProblemsStackFiveLines) {
  Initialize(200);
  ASSERT_TRUE(Header(944, 500));  // 2832 x 1500 dots: too wide
  const std::string sent = Sent();
  for (int y : {35, 83, 131, 179, 227}) {
    EXPECT_NE(sent.find("^FT35," + std::to_string(y + 40) + ",0"), std::string::npos) << y;
  }
  EXPECT_NE(sent.find(Line(131, "ERROR: Invalid paper size (119.9x63.5mm / 4.72x2.50inch)")), std::string::npos);
}

TEST_F(ErrorLabelTest, ATextThatCannotBeLoadedPrintsEmpty) {
  testing_support::FakeStringTable strings;
  strings.entries[153] = u"Valid resolutions are 300dpi and 600dpi.";
  platform::ScopedService<platform::StringTable> guard(strings);
  Initialize(200);
  ASSERT_TRUE(Header(787, 400));
  EXPECT_NE(Sent().find(Line(35, " (200dpi)")), std::string::npos);
  EXPECT_NE(Sent().find(Line(83, "Valid resolutions are 300dpi and 600dpi.")), std::string::npos);
}

}  // namespace
