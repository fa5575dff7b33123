#include "job_fixture.h"

namespace {

using job_testing::JobTest;

class FieldTest : public JobTest {
 protected:
  int tag = 0;
  void* Tag() { return &tag; }

  // A 100 x 50 mm page at 600 dpi with one label, laid out at `orientation`.
  void Job(int32_t orientation) {
    Initialize(600);
    ASSERT_TRUE(Header(2362, 1181));
    plugin->vpiSendLayoutData(orientation, 0, 0, 1000, 500, 1000, 500, 15, 0, 1, 1, 1);
    spooler.writes.clear();
    trace.lines.clear();
  }
  bool Text(int32_t x, int32_t y, const char16_t* text = u"T") {
    const plugin::HostPoint point{x, y};
    return plugin->vpiWriteText(platform::AsWide(text), &point, 30, Tag());
  }
  bool Clock(int32_t x, int32_t y) {
    const plugin::HostPoint point{x, y};
    return plugin->vpiWriteClock(Tag(), &point, 30, Tag());
  }
  std::string Take() {
    const std::string bytes = Buffered();
    plugin->vpiWritePrinter();
    spooler.writes.clear();
    return bytes;
  }
};

std::string TextField(const std::string& origin, char letter, const std::string& data = "T") {
  return "^FT" + origin + "^F(C0,0,0,255,N,255,255,255,0,N^A0" + letter + ",30,30^FH_^FD" + data + "^FS";
}
std::string ClockField(const std::string& origin, char letter, const std::string& data) {
  return "^FT" + origin + "^F(C0,0,0,255,N,255,255,255,0,N^FC%^A0" + letter + ",30,30^FH_^FD" + data + "^FS";
}
const std::string kDefaultClock = "%H:%M:%S";

struct PlacementCase {
  int32_t orientation;
  int32_t x, y;
  std::string text;   // written origin and justification of the text field
  std::string clock;  // of the clock field
  char letter;
};

TEST_F(FieldTest, PlacementByOrientation) {
  // 90 and 270 degrees take the page from the layout: 1181 x 2362 host pixels (paper 100 x 50 mm turned).
  const PlacementCase cases[] = {
      {0, 20, 100, "0,130,0", "4294967281,130,0", 'N'},          // text clamped at the edge, clock not
      {0, 100, 200, "65,230,0", "65,230,0", 'N'},
      {180, 100, 200, "2227,981,1", "2262,981,1", 'I'},
      // Beyond the page: the distance from the right edge is compared unsigned, so a negative one is not clamped.
      {180, 2400, 1300, "4294967223,0,1", "4294967258,4294967177,1", 'I'},
      {90, 100, 200, "195,2262,0", "195,2262,0", 'B'},           // B adds the height to x
      {90, 2500, 20, "30,4294967158,0", "15,4294967158,0", 'B'},
      {270, 100, 200, "946,100,0", "981,100,0", 'R'},
      {45, 100, 200, "100,230,0", "100,230,0", 'N'},             // unsupported: position unchanged
  };
  for (const PlacementCase& c : cases) {
    Job(c.orientation);
    ASSERT_TRUE(Text(c.x, c.y));
    EXPECT_EQ(Take(), TextField(c.text, c.letter)) << c.orientation << " " << c.x << "," << c.y;
    ASSERT_TRUE(Clock(c.x, c.y));
    EXPECT_EQ(Take(), ClockField(c.clock, c.letter, kDefaultClock)) << c.orientation << " " << c.x << "," << c.y;
  }
}

TEST_F(FieldTest, ColoursAndTraceLines) {
  Job(0);
  const plugin::HostPoint point{100, 200};
  ASSERT_TRUE(plugin->vpiWriteText2(platform::AsWide(u"é"), &point, 30, Tag(), 0x00332211));
  EXPECT_EQ(Take(), "^FT65,230,0^F(C17,34,51,255,N,255,255,255,0,N^A0N,30,30^FH_^FD_C3_A9^FS");
  ASSERT_TRUE(plugin->vpiWriteClock2(Tag(), &point, 30, Tag(), 0x7F0000FF));
  EXPECT_EQ(Take(), "^FT65,230,0^F(C255,0,0,255,N,255,255,255,0,N^FC%^A0N,30,30^FH_^FD%H:%M:%S^FS");
  ASSERT_TRUE(Text(100, 200));
  ASSERT_TRUE(Clock(100, 200));
  EXPECT_EQ(trace.lines, (std::vector<std::u16string>{
                             u"vpiWriteText2(): start\n", u"vpiWriteText(): start\n", u"vpiWritePrinter(): start\n",
                             u"vpiWriteClock2(): start\n", u"vpiWriteClock(): start\n", u"vpiWritePrinter(): start\n",
                             u"vpiWriteText(): start\n", u"vpiWriteText(): start\n", u"vpiWriteClock2(): start\n",
                             u"vpiWriteClock(): start\n"}));
}

TEST_F(FieldTest, NullArgumentsWriteNothing) {
  Job(0);
  const plugin::HostPoint point{100, 200};
  EXPECT_FALSE(plugin->vpiWriteText(platform::AsWide(u"x"), &point, 30, nullptr));
  EXPECT_FALSE(plugin->vpiWriteText(nullptr, &point, 30, Tag()));
  EXPECT_FALSE(plugin->vpiWriteText2(platform::AsWide(u"x"), nullptr, 30, Tag(), 0));
  EXPECT_FALSE(plugin->vpiWriteClock(nullptr, &point, 30, Tag()));
  EXPECT_FALSE(plugin->vpiWriteClock2(Tag(), &point, 30, nullptr, 0));
  EXPECT_TRUE(plugin->Commands().empty());
  // vpiWriteText announces itself before its checks, vpiWriteText2 only after them.
  EXPECT_EQ(trace.lines, (std::vector<std::u16string>{u"vpiWriteText(): start\n", u"vpiWriteText(): start\n",
                                                      u"vpiWriteClock2(): start\n", u"vpiWriteClock2(): start\n"}));
}

struct ClockFormatCase {
  uint32_t presets, date, time;
  std::u16string manual;
  std::string expected;
};

TEST_F(FieldTest, TheClockFormatComesFromTheConfiguration) {
  const ClockFormatCase cases[] = {
      {1, 0, 1, u"", "%H:%M:%S"},
      {1, 1, 2, u"", "%b %d, %Y %p %I:%M:%S"},
      {1, 2, 0, u"", "%d %b %Y "},
      {1, 3, 1, u"", "%Y/%m/%d %H:%M:%S"},
      {1, 0, 0, u"", ""},
      {1, 9, 9, u"", ""},
      {0, 1, 1, u"%j_%U", "%j_5F%U"},
      {0, 1, 1, u"", ""},
  };
  for (const ClockFormatCase& c : cases) {
    Setting(u"TimeFormatChooseFromPreset", c.presets);
    Setting(u"TimeFormatDate", c.date);
    Setting(u"TimeFormatTime", c.time);
    printerData.PutString(job_testing::kConfigKey, u"TimeFormatText", c.manual);
    Job(0);
    ASSERT_TRUE(Clock(100, 200));
    EXPECT_EQ(Take(), ClockField("65,230,0", 'N', c.expected));
  }
  // The manual default applies once presets are off.
  printerData.values.clear();
  Setting(u"TimeFormatChooseFromPreset", 0);
  Job(0);
  ASSERT_TRUE(Clock(100, 200));
  EXPECT_EQ(Take(), ClockField("65,230,0", 'N', "%b %d, %Y %I:%M:%S"));
}

}  // namespace
