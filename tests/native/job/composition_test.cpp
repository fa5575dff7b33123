#include "job_fixture.h"

#include "native/imaging/png_decode.h"
#include "stream/command_stream.h"
#include "stream/png_summary.h"
#include "support/stream_check.h"

namespace {

using job_testing::JobTest;
using label_stream::ReadCommandStream;

class CompositionTest : public JobTest {
 protected:
  testing_support::FakeBitmapReader bitmaps;
  platform::ScopedService<platform::BitmapReader> bitmapGuard{bitmaps};
  int tag = 0;
  const auto dc() { return reinterpret_cast<platform::DeviceContext>(0xDC); }
  const auto bitmap() { return reinterpret_cast<platform::BitmapHandle>(0xB1); }

  // A 24-bit image whose pixel (column c, row r) has blue c, green r, red 7.
  void Image(int32_t width, int32_t height) {
    bitmaps.width = width;
    bitmaps.height = height;
    bitmaps.bitsPerPixel = 24;
    bitmaps.stride = (3 * static_cast<uint32_t>(width) + 3) & ~3u;
    bitmaps.pixels.assign(bitmaps.stride * static_cast<size_t>(height), '\0');
    for (int32_t r = 0; r < height; ++r)
      for (int32_t c = 0; c < width; ++c) {
        char* pixel = &bitmaps.pixels[r * bitmaps.stride + 3 * c];
        pixel[0] = static_cast<char>(c);
        pixel[1] = static_cast<char>(r);
        pixel[2] = 7;
      }
  }
  // A 600-dpi job with the given grid; margins and pitches in tenths of a millimetre.
  void Job(int32_t orientation, int32_t columns, int32_t rows, int32_t columnPitch, int32_t rowPitch,
           int32_t leftMargin, int32_t topMargin, int32_t total = 1) {
    Setting(u"PrintError", 0);
    Initialize(600);
    ASSERT_TRUE(Header(2362, 1181));
    plugin->vpiSendLayoutData(orientation, 0, 0, columnPitch, rowPitch, 1000, 500, leftMargin, topMargin, total,
                              columns, rows);
    spooler.writes.clear();
  }
  bool Send(const char* name) { return plugin->vpiSendBitmap(dc(), bitmap(), name); }
  std::vector<std::string> Texts() { return ReadCommandStream(Buffered()).Texts(); }
  // The first column of each decoded RGB row of download `index` in the buffer.
  std::vector<uint8_t> FirstBlues(size_t index) {
    const auto stream = ReadCommandStream(Buffered());
    size_t seen = 0;
    for (const auto& command : stream.commands) {
      if (!command.download || seen++ != index) continue;
      const auto png = imaging_test::DecodePng(std::vector<uint8_t>(command.payload.begin(), command.payload.end()));
      EXPECT_TRUE(png.ok);
      std::vector<uint8_t> blues;
      for (const auto& row : png.rows) blues.push_back(row.at(2));  // R, G, B of the first pixel
      return blues;
    }
    ADD_FAILURE() << "no download " << index;
    return {};
  }
  uint32_t DownloadWidth(size_t index) {
    size_t seen = 0;
    for (const auto& command : ReadCommandStream(Buffered()).commands)
      if (command.download && seen++ == index) return label_stream::ReadPngSummary(command.payload).width;
    return 0;
  }
};

TEST_F(CompositionTest, ASingleUpBaseIsStoredAsOneFormat) {
  Job(0, 1, 1, 1000, 500, 50, 30);  // leftOffset 118, topOffset 71
  Image(40, 3);
  ASSERT_TRUE(Send("MyBASE01"));
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts[0], "^XA");
  EXPECT_EQ(texts[3].rfind("~DYR:BASE,B,P,", 0), 0u);
  EXPECT_EQ(texts[4] + texts[5] + texts[6], "^FO83,71^IMR:BASE.PNG^FS");
  EXPECT_EQ(texts[7] + texts[8], "^C(SN^XZ");
  EXPECT_TRUE(label_stream::FindBadDownloads(ReadCommandStream(Buffered())).empty());
  EXPECT_EQ(DownloadWidth(0), 40u);
}

TEST_F(CompositionTest, ASingleUpBaseInTheStripIsCroppedOrDiscarded) {
  Job(0, 1, 1, 1000, 500, 8, 30);  // leftOffset 19: 16 columns lie in the strip
  Image(40, 3);
  ASSERT_TRUE(Send("BASE"));
  EXPECT_NE(Buffered().find("^FO0,71^IMR:BASE.PNG^FS"), std::string::npos);
  EXPECT_EQ(DownloadWidth(0), 24u);
  EXPECT_EQ(FirstBlues(0), (std::vector<uint8_t>{16, 16, 16}));  // the former 17th column
  plugin->vpiWritePrinter();

  NewObject();
  Job(0, 1, 1, 1000, 500, 8, 30);
  Image(10, 3);
  ASSERT_TRUE(Send("BASE"));
  EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D^C(D");  // left without its end, as the printer expects
}

TEST_F(CompositionTest, AMultiUpBaseIsRecalledRightToLeftWithTheStraddlingColumnCropped) {
  Job(0, 3, 2, 500, 300, 0, 30);  // pitchX 1181, pitchY 709, leftOffset 0
  Image(100, 2);
  ASSERT_TRUE(Send("BASE"));
  const std::string bytes = Buffered();
  const auto stream = ReadCommandStream(bytes);
  std::vector<std::string> recalls;
  for (const auto& command : stream.commands)
    if (command.text.rfind("^FO", 0) == 0) recalls.push_back(command.text);
  EXPECT_EQ(recalls, (std::vector<std::string>{"^FO2327,71", "^FO2327,780", "^FO1146,71", "^FO1146,780", "^FO0,71",
                                               "^FO0,780"}));
  EXPECT_EQ(DownloadWidth(0), 100u);
  EXPECT_EQ(DownloadWidth(1), 65u);  // cropped by the 35-pixel strip
  EXPECT_EQ(FirstBlues(1), (std::vector<uint8_t>{35, 35}));
  EXPECT_TRUE(label_stream::FindRecallsWithoutDownload(stream).empty());
  EXPECT_TRUE(label_stream::FindFramingViolations(stream).empty());
}

TEST_F(CompositionTest, AMultiUpBaseWithNoColumnsIsOnlyDownloadedAndStored) {
  Job(0, 0, 2, 500, 300, 50, 30);
  Image(20, 2);
  ASSERT_TRUE(Send("BASE"));
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[3].rfind("~DYR:BASE", 0), 0u);
  EXPECT_EQ(texts[4] + texts[5], "^C(SN^XZ");
}

TEST_F(CompositionTest, BaseReferencesLoadOncePerSheet) {
  Job(0, 2, 2, 500, 300, 50, 30, 8);
  ASSERT_TRUE(plugin->vpiCreateNewPage());
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(plugin->vpiReferToBaseBitmap());
  EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D^C(L");
  EXPECT_EQ(plugin->SheetLabelIndex(), 5u);
  ASSERT_TRUE(plugin->vpiCreateNewPage());
  EXPECT_EQ(plugin->SheetLabelIndex(), 1u);
}

TEST_F(CompositionTest, TheSlotIsChosenByName) {
  Job(0, 1, 1, 1000, 500, 50, 30);
  Image(4, 1);
  ASSERT_TRUE(Send("xSTARTxENDx"));  // START wins over END
  ASSERT_TRUE(Send("end"));          // lower case: a variable image
  EXPECT_TRUE(plugin->Commands().empty());
  const plugin::HostPoint point{100, 5};
  ASSERT_TRUE(plugin->vpiReferToStartLabel(&point, &tag));
  EXPECT_NE(Buffered().find("~DYR:START,B,P,"), std::string::npos);
  ASSERT_TRUE(plugin->vpiReferToVariableBitmap(&tag, &point));
  EXPECT_NE(Buffered().find("^FO65,5^IMR:DYNAMIC.PNG^FS"), std::string::npos);
  EXPECT_FALSE(plugin->vpiReferToEndLabel(&point, &tag));  // never captured: nothing to download
}

TEST_F(CompositionTest, StartAndEndLabelsAreFormatsOfTheirOwn) {
  Setting(u"DoAutoCut", 1);
  Setting(u"AutoCut", 2);
  Setting(u"Pause", 3);
  Job(0, 1, 1, 1000, 500, 50, 30);
  Image(4, 1);
  ASSERT_TRUE(Send("START"));
  ASSERT_TRUE(Send("END"));
  const plugin::HostPoint point{40, 9};
  ASSERT_TRUE(plugin->vpiReferToStartLabel(&point, &tag));
  ASSERT_TRUE(plugin->vpiReferToEndLabel(&point, &tag));
  const std::string bytes = Buffered();
  // Start: no cut with timing 2; end: cut; both pause (Pause not 0), neither beeps.
  EXPECT_NE(bytes.find("^FO5,9^IMR:START.PNG^FS^S(CMP,M,T^PQ1,0,1,N^S(CUB,S,N^XZ"), std::string::npos);
  EXPECT_NE(bytes.find("^FO5,9^IMR:END.PNG^FS^S(CMP,M,C^PQ1,1,1,N^S(CUB,S,N^XZ"), std::string::npos);
  EXPECT_TRUE(label_stream::FindFramingViolations(ReadCommandStream(bytes)).empty());
  EXPECT_EQ(trace.lines.back(), u"vpiReferToEndLabel(): end\n");
}

TEST_F(CompositionTest, AnImageInTheStripIsCroppedOrDeletedAndItsRecallWritten) {
  Job(0, 1, 1, 1000, 500, 50, 30);
  Image(10, 1);
  ASSERT_TRUE(Send("PART"));
  const plugin::HostPoint inside{30, 4};  // 5 columns in the strip
  ASSERT_TRUE(plugin->vpiReferToVariableBitmap(&tag, &inside));
  EXPECT_EQ(DownloadWidth(0), 5u);
  EXPECT_NE(Buffered().find("^FO0,4^IMR:DYNAMIC.PNG^FS"), std::string::npos);
  plugin->vpiWritePrinter();
  // The slot stays cropped: 5 columns left, 6 more in the strip: deleted instead.
  const plugin::HostPoint further{29, 4};
  ASSERT_TRUE(plugin->vpiReferToVariableBitmap(&tag, &further));
  EXPECT_EQ(Buffered(), "^IDR:DYNAMIC.PNG^FO0,4^IMR:DYNAMIC.PNG^FS");
}

TEST_F(CompositionTest, At270DegreesAVariableImageMovesAcrossTheGrid) {
  Job(270, 1, 2, 500, 254, 15, 21);  // countX 2, pitchX 600, leftOffset 50
  ASSERT_EQ(plugin->Layout().pitchX, 600);
  ASSERT_EQ(plugin->Layout().leftOffset, 50);
  Image(4, 1);
  ASSERT_TRUE(Send("V"));
  const plugin::HostPoint point{10, 3};
  ASSERT_TRUE(plugin->vpiReferToVariableBitmap(&tag, &point));
  EXPECT_NE(Buffered().find("^FO625,3^IMR:DYNAMIC.PNG^FS"), std::string::npos);
}

TEST_F(CompositionTest, AFailedBaseCaptureWritesNothing) {
  Job(0, 1, 1, 1000, 500, 50, 30);
  Image(4, 1);
  bitmaps.getObjectFails = true;
  EXPECT_FALSE(Send("BASE"));
  EXPECT_TRUE(plugin->Commands().empty());
  EXPECT_FALSE(plugin->vpiSendBitmap(dc(), bitmap(), nullptr));
}

// An image whose width equals its crop at the unprintable strip has no column left: it
// lies wholly in the strip, as one a column narrower does. Each kind of image, at crop - 1,
// crop and crop + 1 columns, in a forced job (the single-up base in the strip makes the
// left margin invalid) whose whole stream goes to the printer.
TEST_F(CompositionTest, AnImageAsWideAsItsCropLiesWhollyInTheStrip) {
  const struct {
    const char* kind;
    int32_t leftMargin;  // tenths of a millimetre: leftOffset 118, or 19 for the base
    int32_t crop;
    bool (*place)(plugin::KDV6200Plugin&, const plugin::HostPoint*, void*);
  } kinds[] = {
      {"START", 50, 20, [](plugin::KDV6200Plugin& p, const plugin::HostPoint* at, void* tag) {
         return p.vpiReferToStartLabel(at, tag);
       }},
      {"END", 50, 20, [](plugin::KDV6200Plugin& p, const plugin::HostPoint* at, void* tag) {
         return p.vpiReferToEndLabel(at, tag);
       }},
      {"VARIABLE", 50, 20, [](plugin::KDV6200Plugin& p, const plugin::HostPoint* at, void* tag) {
         return p.vpiCreateNewPage() && p.vpiReferToVariableBitmap(tag, at) && p.vpiCloseNewPageStatic(1) &&
                p.vpiCloseNewPageFinal();
       }},
      {"BASE", 8, 16, [](plugin::KDV6200Plugin& p, const plugin::HostPoint*, void*) {
         return p.vpiCreateNewPage() && p.vpiReferToBaseBitmap() && p.vpiCloseNewPageStatic(1) &&
                p.vpiCloseNewPageFinal();
       }},
  };
  const plugin::HostPoint at{15, 4};  // 20 of its columns in the 35-pixel strip
  for (const auto& k : kinds) {
    std::string streams[3];
    for (int32_t more = -1; more <= 1; ++more) {
      SCOPED_TRACE(std::string(k.kind) + " " + std::to_string(k.crop + more));
      NewObject();
      spooler.writes.clear();
      Setting(u"PrintError", 0);
      Setting(u"ForcePrinting", 1);
      Initialize(600);
      ASSERT_TRUE(Header(2362, 1181));
      plugin->vpiSendLayoutData(0, 0, 0, 1000, 500, 1000, 500, k.leftMargin, 30, 1, 1, 1);
      Image(k.crop + more, 3);
      EXPECT_TRUE(Send(k.kind) && k.place(*plugin, &at, &tag) && plugin->vpiWritePrinter());
      streams[more + 1] = Sent();
      EXPECT_EQ(testing_support::CheckerErrors(streams[more + 1]), "");
    }
    EXPECT_EQ(streams[1], streams[0]) << k.kind;
  }
}

struct MaskCase {
  int32_t orientation;
  std::vector<std::string> boxes;  // origins of the white boxes over positions 2 and 3 of a 2 x 2 sheet
};

TEST_F(CompositionTest, ThePartialSheetIsMaskedWhereTheVacantLabelsStand) {
  // 2 x 2, 7 labels: the second sheet uses positions 0..2, position 3 (host row 1,
  // column 1) is vacant. Pitches 945 x 472 pixels, margins 118 and 71.
  const MaskCase cases[] = {
      {0, {"^FO1028,543^GB40,3,40,W,0^FS"}},  // printer column 1, row 1
      {90, {"^FO508,354^GB40,3,40,W,0^FS"}},  // host row 1 is printer column 1; host column 1 printer row 0
      {180, {"^FO366,119^GB40,3,40,W,0^FS"}}, // turned over: printer column 0, row 0
      {270, {"^FO36,1299^GB40,3,40,W,0^FS"}}, // printer column 0, row 1
  };
  for (const MaskCase& c : cases) {
    NewObject();
    Job(c.orientation, 2, 2, 400, 200, 50, 30, 7);
    Image(40, 3);
    ASSERT_TRUE(Send("BASE"));
    plugin->vpiWritePrinter();
    ASSERT_TRUE(plugin->vpiCreateNewPage());
    ASSERT_TRUE(plugin->vpiCloseNewPageStatic(1));  // first page: whole sheets, then
    plugin->vpiWritePrinter();
    ASSERT_TRUE(plugin->vpiCreateNewPage());
    ASSERT_TRUE(plugin->vpiCloseNewPageStatic(1));  // the partial sheet
    std::string boxes;
    for (const auto& box : c.boxes) boxes += box;
    EXPECT_EQ(Buffered(), "^XA^CI28^S(CMP,U,D" + boxes + "^S(CMP,M,T^PQ1,0,1,Y^S(CUB,S,N") << c.orientation;
  }
}

}  // namespace
