// The renderer on small streams written by the plug-in's own writers: whole pages compared
// pixel for pixel with committed PNGs, text fields by the box of their ink, and what the
// renderer states instead of drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "clock_format.h"
#include "commands/field_commands.h"
#include "commands/format_commands.h"
#include "commands/graphic_commands.h"
#include "commands/image_slot.h"
#include "commands/page_commands.h"
#include "config/printer_config.h"
#include "label_renderer.h"
#include "report_page.h"
#include "settings_words.h"

namespace label_inspect {
namespace {

using commands::CommandBuffer;

std::string Text(const CommandBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

// A 300-dpi job whose label is 48 x 32 dots.
void Header(CommandBuffer& b) {
  commands::BeginLabelFormat(&b);
  commands::WriteResolution(&b, 300);
  commands::WriteLabelSize(&b, {96, 64});
  commands::EndLabelFormat(&b);
}

// 16 x 8 pixels, 24-bit blue-green-red: four colour blocks of 4 columns.
struct Graphic {
  std::vector<uint8_t> pixels;
  uint32_t width = 16, stride = 48, height = 8;
};
Graphic Blocks() {
  static const uint8_t kColours[4][3] = {{0, 0, 255}, {0, 200, 0}, {255, 0, 0}, {0, 0, 0}};
  Graphic g;
  g.pixels.resize(size_t{g.stride} * g.height);
  for (uint32_t y = 0; y < g.height; ++y)
    for (uint32_t x = 0; x < g.width; ++x) std::copy_n(kColours[x / 4], 3, &g.pixels[y * g.stride + x * 3]);
  return g;
}
// A 1-bit checkerboard of 4-pixel squares, 24 x 16 (0 is black).
Graphic Checker() {
  Graphic g{{}, 24, 4, 16};
  for (uint32_t y = 0; y < 16; ++y) {
    const uint8_t row = (y / 4) % 2 == 0 ? 0x0F : 0xF0;
    g.pixels.insert(g.pixels.end(), {row, row, row, 0});
  }
  return g;
}
void Download(CommandBuffer& b, const Graphic& g, const char* name) {
  ASSERT_TRUE(commands::DownloadGraphic(&b, g.pixels, g.width, g.stride, g.height, g.stride == 4 ? 1 : 24, name));
}
void Recall(CommandBuffer& b, uint32_t x, uint32_t y, const char* name) { commands::RecallGraphic(&b, {x, y}, name); }
void Close(CommandBuffer& b) {
  commands::WritePrintQuantity(&b, 1, 1, false);
  commands::WriteBuzzerMode(&b, false);
  commands::EndLabelFormat(&b);
}

struct Rendered {
  std::vector<FormatPreview> formats;  // canvases copied into `pages`
  std::vector<Canvas> pages;
  JobSummary summary;
};
Rendered Render(const std::string& bytes, Font* font = nullptr) {
  Rendered rendered;
  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  rendered.summary = RenderStream(stream, font, [&](const FormatPreview& format) {
    rendered.formats.push_back(format);
    rendered.formats.back().canvas = nullptr;
    rendered.pages.push_back(*format.canvas);
  });
  return rendered;
}

// ---- pages compared with committed images ----

struct PageCase {
  const char* name;
  std::function<void(CommandBuffer&)> write;  // after the header; the last format is compared
};

const PageCase kPages[] = {
    {"white_box",
     [](CommandBuffer& b) {
       commands::BeginLabelFormat(&b);
       Download(b, Blocks(), "DYNAMIC");
       Recall(b, 4, 4, "DYNAMIC");
       Recall(b, 24, 12, "DYNAMIC");
       commands::WriteWhiteBox(&b, {8, 6}, 20, 8, 20);  // 20 x 20: as tall as its line is thick
       Close(b);
     }},
    {"recalled_graphic_clipped",
     [](CommandBuffer& b) {
       commands::BeginLabelFormat(&b);
       Download(b, Blocks(), "DYNAMIC");
       Recall(b, 40, 28, "DYNAMIC");  // runs off the right and the bottom
       Close(b);
     }},
    {"base_saved_then_loaded",
     [](CommandBuffer& b) {
       commands::BeginLabelFormat(&b);
       Download(b, Checker(), "BASE");
       Recall(b, 2, 2, "BASE");
       commands::WriteBaseSave(&b);
       commands::EndLabelFormat(&b);
       commands::BeginLabelFormat(&b);
       commands::WriteBaseLoad(&b);
       Download(b, Blocks(), "DYNAMIC");
       Recall(b, 20, 14, "DYNAMIC");
       Close(b);
     }},
    {"masked_vacant_position",
     [](CommandBuffer& b) {
       commands::BeginLabelFormat(&b);
       Download(b, Checker(), "BASE");
       Recall(b, 24, 4, "BASE");
       Recall(b, 0, 4, "BASE");
       commands::WriteBaseSave(&b);
       commands::EndLabelFormat(&b);
       commands::BeginLabelFormat(&b);
       commands::WriteBaseLoad(&b);
       commands::WriteWhiteBox(&b, {24, 4}, 24, 16, 24);
       Close(b);
     }},
    {"cropped_at_the_strip",
     [](CommandBuffer& b) {
       Graphic g = Blocks();
       ASSERT_TRUE(commands::CropBitmapLeft(g.pixels, g.width, g.stride, g.height, 24, 6));
       commands::BeginLabelFormat(&b);
       Download(b, g, "START");
       Recall(b, 0, 10, "START");
       Close(b);
     }},
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(RenderTest, PagesMatchTheirExpectedImages) {
  for (const PageCase& page : kPages) {
    SCOPED_TRACE(page.name);
    CommandBuffer b;
    Header(b);
    page.write(b);
    const Rendered rendered = Render(Text(b));
    ASSERT_FALSE(rendered.pages.empty());
    const Canvas& actual = rendered.pages.back();
    EXPECT_TRUE(rendered.formats.back().undrawn.empty());
    EXPECT_EQ(actual.width(), 48u);
    EXPECT_EQ(actual.height(), 32u);

    const std::filesystem::path expectedPath = std::filesystem::path(ZOV_RENDER_EXPECTED) / (std::string(page.name) + ".png");
    Image expected;
    std::string problem;
    const bool same = DecodePng(ReadFile(expectedPath), 100, 100, expected, problem) &&
                      expected.width == actual.width() && expected.height == actual.height() && [&] {
                        for (uint32_t y = 0; y < actual.height(); ++y)
                          for (uint32_t x = 0; x < actual.width(); ++x) {
                            const uint8_t* e = &expected.bgr[(size_t{y} * expected.width + x) * expected.channels];
                            if (actual.At(x, y) != Rgb{e[2], e[1], e[0]}) return false;
                          }
                        return true;
                      }();
    if (!same) {
      // Left beside the test for a person to look at (and to commit once it is right).
      std::vector<uint8_t> png;
      actual.EncodePng(png);
      std::ofstream(std::string("actual_") + page.name + ".png", std::ios::binary)
          .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    EXPECT_TRUE(same) << "differs from " << expectedPath << problem << "; see actual_" << page.name << ".png";
  }
}

// ---- what is not drawn is stated, never fatal ----

TEST(RenderTest, StatesWhatItCannotDrawAndClampsTheLabel) {
  const std::string stream = "^XA^S(CLR,M,B^S(CLS,P,99999^S(CLS,L,99999^XZ"
                             "^XA^C(D^XA^C(L^FO1,1^IMR:GONE.PNG^FS^FO2,2^QQ1^FS^PQ3,2,1,N^S(CUB,S,L^XZ"
                             "^XA^FO5,5^FS~DYR:BAD,B,P,3,b,abc^XA^FO0,0^IMR:BAD.PNG^FS";
  const Rendered rendered = Render(stream);
  EXPECT_TRUE(rendered.summary.geometry.clamped);
  ASSERT_EQ(rendered.pages.size(), 5u);
  EXPECT_EQ(rendered.pages[0].width(), 1323u);  // 2646 dots at 600 dpi, drawn at 300
  EXPECT_EQ(rendered.pages[0].height(), 7086u);
  EXPECT_TRUE(rendered.formats[1].discardsBase && rendered.formats[1].endedByStream);

  const FormatPreview& page = rendered.formats[2];
  EXPECT_TRUE(page.printed && page.loadsBase);
  EXPECT_EQ(page.closing.quantity, 3u);
  EXPECT_EQ(page.closing.cutEvery, 2u);
  EXPECT_TRUE(page.closing.pauseAtCut && page.closing.beep);
  std::vector<std::string> reasons;
  for (const Undrawn& item : page.undrawn) reasons.push_back(item.command + ": " + item.reason);
  EXPECT_EQ(reasons, (std::vector<std::string>{"^C(L: no stored base to load",
                                                "^IMR:GONE.PNG: graphic GONE not downloaded before",
                                                "^QQ1: unknown command"}));
  EXPECT_FALSE(rendered.formats[3].printed);  // an empty field draws nothing
  ASSERT_EQ(rendered.formats[4].undrawn.size(), 1u);
  EXPECT_EQ(rendered.formats[4].undrawn[0].reason.rfind("PNG not readable", 0), 0u);
}

// ---- text by the box of its ink ----

struct InkBox {
  int64_t left = INT64_MAX, top = INT64_MAX, right = -1, bottom = -1;  // inclusive
};
InkBox InkOf(const Canvas& canvas) {
  InkBox box;
  for (uint32_t y = 0; y < canvas.height(); ++y)
    for (uint32_t x = 0; x < canvas.width(); ++x)
      if (canvas.At(x, y) != kWhite) {
        box.left = std::min<int64_t>(box.left, x);
        box.right = std::max<int64_t>(box.right, x);
        box.top = std::min<int64_t>(box.top, y);
        box.bottom = std::max<int64_t>(box.bottom, y);
      }
  return box;
}

TEST(RenderTest, TextInEachOrientationLiesInTheCellTheHostAskedFor) {
  std::string error;
  std::unique_ptr<Font> font = Font::Open("", error);
  ASSERT_NE(font, nullptr) << error;
  // The plug-in's writer at host point (100, 100), 40 dots: the ink of "HHH" must lie in
  // the 40-dot cell across the line and start at the point along it.
  constexpr int64_t kAt = 100, kSize = 40;
  int64_t length = 0;
  for (char letter : std::string("NRIB")) {
    SCOPED_TRACE(letter);
    CommandBuffer b;
    commands::BeginLabelFormat(&b);
    commands::WriteResolution(&b, 600);
    commands::WriteLabelSize(&b, {200, 200});
    commands::WriteTextField(&b, {kAt, kAt}, u"HHH", letter, kSize, kSize, 0xFF000000u);
    commands::EndLabelFormat(&b);
    const Rendered rendered = Render(Text(b), font.get());
    ASSERT_EQ(rendered.pages.size(), 1u);
    const InkBox ink = InkOf(rendered.pages[0]);
    const bool across = letter == 'R' || letter == 'B';  // the cell runs along x
    const int64_t cellStart = across ? ink.left : ink.top, cellEnd = across ? ink.right : ink.bottom;
    EXPECT_GE(cellStart, kAt);
    EXPECT_LE(cellEnd, kAt + kSize);
    EXPECT_GE(cellEnd - cellStart, kSize * 6 / 10);  // capital letters fill most of it
    const int64_t runStart = across ? ink.top : ink.left, runEnd = across ? ink.bottom : ink.right;
    if (letter == 'N') length = runEnd - runStart;
    EXPECT_EQ(runEnd - runStart, length);  // the same text, turned
    if (letter == 'B') EXPECT_NEAR(runEnd, kAt, 4);  // bottom-up text starts at the point
    else EXPECT_NEAR(runStart, kAt, 4);
  }
}

TEST(RenderTest, MissingOrFolderFontIsAClearError) {
  for (const std::string path : {"/nonexistent/main.ttf", "/tmp"}) {
    std::string error;
    EXPECT_EQ(Font::Open(path, error), nullptr);
    EXPECT_NE(error.find(path + " cannot be opened (named by ZOV_LABEL_FONT)"), std::string::npos) << error;
  }
}

// Each character comes from the first font of the chain that has it: text of any of
// these scripts leaves ink in its field's cell and nothing is listed; a code point that
// no font has (unassigned) is listed.
TEST(RenderTest, FontChainDrawsEveryScriptAndListsWhatNoFontHas) {
  std::string error;
  std::unique_ptr<Font> font = Font::Open("", error);
  ASSERT_NE(font, nullptr) << error;
  const struct {
    const char16_t* text;
    const char* listed;  // the undrawn reason, empty when everything is drawn
  } kCases[] = {
      {u"日本語のラベル", ""},
      {u"한국어 라벨", ""},
      {u"Lot Ωμέγα 中文 № 5", ""},
      {u"A\u0378B", "in no font, drawn as boxes: U+0378"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.listed);
    CommandBuffer b;
    commands::BeginLabelFormat(&b);
    commands::WriteResolution(&b, 600);
    commands::WriteLabelSize(&b, {600, 120});
    commands::WriteTextField(&b, {10, 60}, c.text, 'N', 40, 40, 0xFF000000u);  // cell from y 60 to 100
    commands::EndLabelFormat(&b);
    const Rendered rendered = Render(Text(b), font.get());
    ASSERT_EQ(rendered.pages.size(), 1u);
    const InkBox ink = InkOf(rendered.pages[0]);
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 60);
    EXPECT_LE(ink.bottom, 100 + 10);  // descenders below the cell
    EXPECT_GT(ink.right - ink.left, 40);
    std::string listed;
    for (const Undrawn& item : rendered.formats[0].undrawn) listed += item.reason;
    EXPECT_EQ(listed, c.listed);
  }
}

// ---- clock fields and settings in words ----

TEST(RenderTest, ClockFormatsShowTheSampleTime) {
  EXPECT_EQ(FormatSampleTime("%Y/%m/%d %p %I:%M:%S|%a %A %b %B %H %j %U %W %w %y|%% %q %"),
            "2015/04/17 PM 04:45:06|Fri Friday Apr April 16 107 15 15 5 15|%% %q %");
  EXPECT_EQ(DescribeClockFormat("%d %b %Y %p %I:%M:%S"),
            "presets: date 17 Apr 2015, time PM 04:45:06 (\"%d %b %Y %p %I:%M:%S\")");
  EXPECT_EQ(DescribeClockFormat("%H:%M:%S"), "presets: date NONE, time 16:45:06 (\"%H:%M:%S\")");
  EXPECT_EQ(DescribeClockFormat("week %W"), "manual: \"week %W\", shows week 15");
}

TEST(RenderTest, SettingsAreNamedByThePluginsValueLabels) {
  config::PrinterConfig settings;
  settings.MediaType = 2;
  settings.MediaForm = 3;
  settings.MediaSource = 1;
  settings.HeadMaintenance = 1;
  settings.PrintSpeed = 0;
  settings.UseAdvancedInkProfile = true;
  settings.ColorCorrection = 1;
  settings.InkAmount = -3;
  CommandBuffer b;
  commands::BeginLabelFormat(&b);
  settings.WriteConfigCommands(&b);
  commands::WriteResolution(&b, 300);
  commands::WriteLabelSize(&b, {2267, 1181});
  commands::EndLabelFormat(&b);
  commands::BeginLabelFormat(&b);
  commands::WriteClockField(&b, {0, 0}, u"%Y/%m/%d %H:%M:%S", 'N', 30, 30, 0xFF000000u);
  commands::WritePrintQuantity(&b, 1, 0, true);
  commands::WriteBuzzerMode(&b, true);
  commands::EndLabelFormat(&b);

  const std::vector<JobSettings> jobs = DescribeSettings(label_stream::ReadCommandStream(Text(b)));
  ASSERT_EQ(jobs.size(), 1u);
  std::string words;
  for (const SettingRow& row : jobs[0].rows) words += row.name + ": " + row.value + "\n";
  for (const char* expected :
       {"Resolution: 300 dpi\n", "Label size: 96.0 x 50.0 mm (2267 x 1181 dots at 600 dpi)\n",
        "Media coating type: Matte1 (^S(CLM,T,M1)\n", "Media form: Continuous Paper (BlackMark) (^S(CLM,D,M, ^S(CLM,F,CP)\n",
        "Media source: External Feed (", "Print speed: 150 mm/sec", "Head maintenance: Continuous Printing (",
        "Colour mode: ORVEX Standard (", "Ink profile: -3 (the dialog's range: -6 Light to 4 Dark)\n",
        "Clock format: presets: date 2015/04/17, time 16:45:06"})
    EXPECT_NE(words.find(expected), std::string::npos) << expected << " not in\n" << words;
}

// Small streams shaped as the plug-in closes its formats: a header, then start labels,
// pages (loading the base), remainders (a page without a beep command) and end labels.
const std::string kHeader = "^XA^S(CLR,M,A^S(CLS,P,2267^S(CLS,L,1181^XZ";
std::string Closing(uint32_t quantity, uint32_t cut, bool pause = false) {
  return "^S(CMP,M," + std::string(cut != 0 ? "C" : "T") + "^PQ" + std::to_string(quantity) + "," +
         std::to_string(cut) + ",1," + (pause ? "N" : "Y");
}
std::string Single(const char* name, uint32_t cut, bool pause = false) {
  return std::string("^XA^FO0,0^IMR:") + name + ".PNG^FS" + Closing(1, cut, pause) + "^S(CUB,S,N^XZ";
}
std::string Pages(std::initializer_list<uint32_t> cuts, uint32_t quantity = 1, bool pause = false) {
  std::string pages;
  size_t left = cuts.size();
  for (uint32_t cut : cuts)
    pages += "^XA^C(L" + Closing(quantity, cut, pause) + (--left == 0 ? "^S(CUB,S,L^XZ" : "^S(CUB,S,N^XZ");
  return pages;
}

// The cut settings of every combination are compared with jobs printed through the DLL
// in the win tier; here the rows around them.
TEST(RenderTest, SettingsWordsSayOnlyWhatTheStreamShows) {
  const std::string marginError = "^XA^S(CLR,P,600^S(CLR,M,A^FT35,35,0^F(C0,0,0,255,N,255,255,255,0,N^A0N,40,40^FH_"
                                  "^FDERROR: Invalid left margin (0.8mm / 0.03inch)^FS^FT35,83,0^A0N,40,40^FH_"
                                  "^FDValid left margin is equal or more than 1.5mm / 0.06 inch^FS^XZ";
  struct Case {
    const char* rule;
    std::string stream;
    std::vector<std::string> rows;
    std::string absent;  // a row that must not be there
  };
  const Case cases[] = {
      {"pages one by one, cut every second and the last",
       kHeader + Single("START", 1) + Pages({0, 1, 1}) + Single("END", 1),
       {"Cut counts: start label ^PQ1,1, page ^PQ1,0, page ^PQ1,1, page ^PQ1,1, end label ^PQ1,1 (labels between "
        "cuts; 0: no cut)\n",
        "Cut: Auto Cut: After Specified Number Of Pages (inferred from the formats' cut counts)\n",
        "Cut interval: 2 pages (inferred from the formats' cut counts)\n",
        "Pause: None (inferred from the formats' pause letters)\n",
        "Notification: Beep at Job End (inferred from the formats' beep commands)\n"}},
      {"pausing pages", kHeader + Single("START", 0, true) + Pages({0, 1}, 1, true) + Single("END", 1, true),
       {"Pause: Pause at Cut (inferred"}},
      {"a start label alone cannot tell the cut", kHeader + Single("START", 0), {"Cut counts: start label ^PQ1,0 ("},
       "Cut: "},
      {"the margin error label belongs to its job", kHeader + marginError,
       {"Error label: format at byte 42: ERROR: Invalid left margin (0.8mm / 0.03inch) / Valid left margin is equal "
        "or more than 1.5mm / 0.06 inch\n"}},
      {"numbers outside the dialog's ranges",
       "^XA^S(CLM,T,G1^S(CPC,C,N^S(CPC,D,5^S(CPC,P,0^S(CPC,B,0^S(CLP,M,100^S(CLR,M,A^S(CLS,P,2267^S(CLS,L,1181^XZ",
       {"Colour preset: Advanced (inferred from the colour commands)\n",
        "Ink profile: 5 (outside the dialog's range -6 Light to 4 Dark: a stored value, sent unchanged)\n",
        "Paper feed adjustment: 100 (outside the dialog's range -99 to 99: a stored value, sent unchanged)\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    const std::vector<JobSettings> jobs = DescribeSettings(label_stream::ReadCommandStream(c.stream));
    ASSERT_EQ(jobs.size(), 1u);
    std::string words;
    for (const SettingRow& row : jobs[0].rows) words += row.name + ": " + row.value + "\n";
    for (const std::string& row : c.rows) EXPECT_NE(words.find(row), std::string::npos) << row << "\nnot in\n" << words;
    if (!c.absent.empty()) EXPECT_EQ(words.find("\n" + c.absent), std::string::npos) << words;
  }
}

// Fields the printer does not draw are listed at their first byte, with the reason.
TEST(RenderTest, FieldsLeftUndrawnAreListedAtTheirFirstByte) {
  struct Case {
    const char* field;
    std::string reason;
  };
  const Case cases[] = {
      {"^FT4294967281,364,0^A0N,30,30^FDclock^FS",
       "x 4294967281 lies outside the printer's 0 to 32000: the field is not drawn"},
      {"^FO10,32001^GB10,10,10,W,0^FS", "y 32001 lies outside the printer's 0 to 32000: the field is not drawn"},
      {"^FO10,10^A0N,30,30^FDtext^FS", "text field at ^FO: only ^FT origins are drawn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const std::string stream = kHeader + "^XA" + c.field + "^XZ";
    const Rendered rendered = Render(stream);
    ASSERT_EQ(rendered.formats.size(), 2u);
    const std::vector<Undrawn>& undrawn = rendered.formats[1].undrawn;
    ASSERT_EQ(undrawn.size(), 1u);
    EXPECT_EQ(undrawn[0].offset, stream.find(c.field));
    EXPECT_EQ(undrawn[0].reason, c.reason);
    EXPECT_EQ(InkOf(rendered.pages[1]).right, -1);  // nothing drawn
  }
}

// A format that does not cut says so, and no pause: the pause letter only acts at a cut.
TEST(RenderTest, ReportNamesNoPauseWhereThereIsNoCut) {
  ReportPage page("job", std::filesystem::temp_directory_path(), "files");
  const std::string stream = kHeader + Single("START", 0, true);
  const JobSummary summary = RenderStream(label_stream::ReadCommandStream(stream), nullptr,
                                          [&](const FormatPreview& format) { page.AddFormat(format, ""); });
  const std::string html = page.Html(stream.size(), summary, {});
  EXPECT_NE(html.find("<li>Quantity 1, no cut</li>"), std::string::npos) << html;
}

// ---- the sample job, printed through the real DLL by the test command ----

// Every printed label of the stream in ZOV_SAMPLE_STREAM (written by sample_job.exe under
// Wine; the test command sets it) shows its base, its number image and its fields where
// the host placed them; labels of text alone keep their lines inside the label.
TEST(SampleJobPreviews, EveryLabelShowsItsBaseImagesAndFields) {
  const char* path = std::getenv("ZOV_SAMPLE_STREAM");
  if (path == nullptr) GTEST_SKIP() << "run by the test command after the sample job";
  std::string error;
  std::unique_ptr<Font> font = Font::Open("", error);
  ASSERT_NE(font, nullptr) << error;
  const label_stream::CommandStream stream = label_stream::ReadCommandStream(ReadFile(path));
  Rendered rendered;
  RenderStream(stream, font.get(), [&](const FormatPreview& format) {
    rendered.formats.push_back(format);
    rendered.pages.push_back(*format.canvas);
  });

  struct Placed {
    int64_t x, y, width, height;
    const Image* image;  // null for a white box
  };
  std::map<std::string, const Image*> latest;  // graphic name -> its latest download, decoded
  std::vector<std::unique_ptr<Image>> images;
  const Canvas* base = nullptr;
  size_t labels = 0, textLabels = 0;
  for (size_t f = 0; f < rendered.formats.size(); ++f) {
    const FormatPreview& format = rendered.formats[f];
    std::vector<Placed> recalls, boxes;
    std::vector<std::pair<int64_t, int64_t>> fields;  // baseline origins of text fields
    int64_t x = 0, y = 0, size = 0;
    for (size_t i = format.firstCommand; i < format.endCommand; ++i) {
      const label_stream::Command& c = stream.commands[i];
      unsigned a = 0, b = 0;
      if (c.download) {
        images.push_back(std::make_unique<Image>());
        std::string problem;
        ASSERT_TRUE(DecodePng(c.payload, 5000, 20000, *images.back(), problem)) << problem;
        latest[c.name] = images.back().get();
      } else if (std::sscanf(c.text.c_str(), "^F%*[OT]%u,%u", &a, &b) == 2) {
        x = a, y = b;
      } else if (c.text.rfind("^IMR:", 0) == 0) {
        const Image* image = latest[c.text.substr(5, c.text.size() - 9)];
        ASSERT_NE(image, nullptr) << c.text;
        recalls.push_back({x, y, image->width, image->height, image});
      } else if (std::sscanf(c.text.c_str(), "^GB%u,%u", &a, &b) == 2) {
        boxes.push_back({x, y, a, b, nullptr});
      } else if (std::sscanf(c.text.c_str(), "^A0N,%u", &a) == 1) {
        size = a;
      } else if (c.text.rfind("^FD", 0) == 0) {
        fields.push_back({x, y});
      }
    }
    const Canvas& page = rendered.pages[f];
    auto masked = [&](int64_t px, int64_t py) {
      for (const Placed& box : boxes)
        if (px >= box.x && px < box.x + box.width && py >= box.y && py < box.y + box.height) return true;
      return false;
    };
    if (format.savesBase) {
      base = &page;
      continue;
    }
    if (!format.loadsBase) {
      // A label of text alone, such as the error label of the 200-dpi job: every line
      // ends inside the label, as the printer fits it.
      if (format.printed && recalls.empty() && !fields.empty()) {
        ++textLabels;
        EXPECT_LT(InkOf(page).right, int64_t{page.width()} - 1) << "format " << format.order;
      }
      continue;
    }
    ASSERT_NE(base, nullptr);
    ++labels;
    // The base: wherever it has ink and nothing else was placed, the label shows it.
    size_t baseInk = 0, shown = 0;
    for (uint32_t py = 0; py < page.height(); py += 2)
      for (uint32_t px = 0; px < page.width(); px += 2)
        if (base->At(px, py) != kWhite && !masked(px, py)) {
          ++baseInk;
          shown += page.At(px, py) == base->At(px, py) ? 1 : 0;
        }
    EXPECT_GT(baseInk, 0u) << "format " << format.order;
    EXPECT_GT(shown, baseInk * 9 / 10) << "format " << format.order;
    // Each recalled image: where the base is white, exactly its pixels.
    for (const Placed& recall : recalls)
      for (int64_t py = 0; py < recall.height; ++py)
        for (int64_t px = 0; px < recall.width; ++px) {
          if (base->At(recall.x + px, recall.y + py) != kWhite) continue;
          const uint8_t* pixel = &recall.image->bgr[(py * recall.width + px) * recall.image->channels];
          ASSERT_EQ(page.At(recall.x + px, recall.y + py), (Rgb{pixel[2], pixel[1], pixel[0]}))
              << "format " << format.order << " image at " << recall.x << "," << recall.y;
        }
    // Each text field: ink above its baseline, starting at its origin.
    for (const auto& [fx, fy] : fields) {
      bool ink = false;
      for (int64_t py = fy - size; py <= fy && !ink; ++py)
        for (int64_t px = fx; px < fx + size && !ink; ++px) ink = page.At(px, py) != base->At(px, py);
      EXPECT_TRUE(ink) << "format " << format.order << " field at " << fx << "," << fy;
    }
  }
  EXPECT_GE(labels, 3u);  // the sample's pages
  EXPECT_GE(textLabels, 1u);
}

}  // namespace
}  // namespace label_inspect
