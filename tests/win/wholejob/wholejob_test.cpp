// Whole print jobs through the real DLL, in the host's order of calls, with real GDI
// bitmaps, inside one document of a Wine printer. The output file is read back and
// checked whole: its command skeleton (every command, each download reduced to its
// name) byte for byte, the framing, every download's length, every PNG decoded against
// the pixels the host drew, and that nothing is recalled before it was downloaded.
#include <windows.h>
#include <winspool.h>
// shlobj.h needs windows.h first
#include <shlobj.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/strings.h"
#include "settings_words.h"
#include "stream/command_stream.h"
#include "stream/png_summary.h"
#include "support/stream_check.h"
#include "common/win_files.h"
#include "common/wine_printer.h"
#include "win/plugin/plugin_fixture.h"
#include "win/wholejob/pictures.h"

namespace kdv_test {
namespace {

using label_stream::CommandStream;
using label_stream::Command;

constexpr wchar_t kPrinterName[] = L"ZOV Whole Job Test";
constexpr wchar_t kKey[] = L"ORVEX_KD-V62x0G_Config";

// ---- The expected command text ------------------------------------------------------

const std::string kBegin = "^XA^CI28^S(CMP,U,D";
const std::string kEnd = "^XZ";
const std::string kBlack = "0,0,0,255";

std::string Num(uint32_t value) { return std::to_string(value); }

// The job header without the settings run (Override is off in these jobs).
std::string Header(int dpi, uint32_t labelWidth, uint32_t labelLength) {
  return kBegin + "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M," + (dpi == 300 ? "B" : "A") + "^S(CLS,P," +
         Num(labelWidth) + "^S(CLS,L," + Num(labelLength) + kEnd;
}
// A download as the skeleton shows it: its length and PNG bytes are checked apart.
std::string Download(const std::string& name) { return "~DYR:" + name + ",B,P,#,b,"; }
std::string Recall(uint32_t x, uint32_t y, const std::string& name) {
  return "^FO" + Num(x) + "," + Num(y) + "^IMR:" + name + ".PNG^FS";
}
std::string WhiteBox(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  return "^FO" + Num(x) + "," + Num(y) + "^GB" + Num(width) + "," + Num(height) + "," + Num(width) + ",W,0^FS";
}
std::string Quantity(uint32_t quantity, uint32_t cut, bool pause) {
  return std::string("^S(CMP,M,") + (cut != 0 ? "C" : "T") + "^PQ" + Num(quantity) + "," + Num(cut) + ",1," +
         (pause ? "N" : "Y");
}
std::string Buzzer(bool on) { return std::string("^S(CUB,S,") + (on ? "L" : "N"); }
// A text (or clock) field at the origin as written, after the writer's adjustment.
std::string Field(uint32_t x, uint32_t y, const std::string& colour, char letter, int size, const std::string& data,
                  bool clock = false) {
  return "^FT" + Num(x) + "," + Num(y) + ",0^F(C" + colour + ",N,255,255,255,0,N" + (clock ? "^FC%" : "") + "^A0" +
         letter + "," + std::to_string(size) + "," + std::to_string(size) + "^FH_^FD" + data + "^FS";
}
const std::string kEmptyPage = kBegin + "^FO0,0^GB100,100,100,W,0^FS";

// UTF-8 escapes of the non-ASCII texts the jobs print.
const std::string kGruesse = "Gr_C3_BC_C3_9Fe";   // Grüße
const std::string kNihon = "_E6_97_A5_E6_9C_AC";  // 日本

// ---- The pictures the host draws ------------------------------------------------------

constexpr COLORREF kOrange = RGB(240, 128, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// A label's fixed part: a black frame, an orange block and a line of text.
Picture BasePicture(int width, int height) {
  return Picture::Drawn(width, height, [=](HDC dc) {
    DrawFrame(dc, {0, 0, width, height}, 6, RGB(0, 0, 0));
    FillBox(dc, {20, 20, 20 + width / 4, 20 + height / 3}, kOrange);
    PaintText(dc, width / 3, 24, L"ZOV Grüße", height / 6, kNavy);
  });
}

// A number on a background of its own colour, one per label.
Picture NumberPicture(int number) {
  const COLORREF background = RGB(200, 40 * (number % 6), 255 - 30 * number);
  return Picture::Drawn(180, 90, [=](HDC dc) {
    FillBox(dc, {0, 0, 180, 90}, background);
    PaintText(dc, 10, 10, L"No " + std::to_wstring(number), 60, RGB(255, 255, 255));
  });
}

// A 1-bit pattern that differs for every seed and is not symmetric in x.
Picture PatternPicture(int width, int height, int seed) {
  return Picture::Mono(width, height, [=](int x, int y) { return ((x * 7 + y * 3 + seed) / (5 + seed % 4)) % 3 != 0; });
}

Picture EndPicture() {
  return Picture::Drawn(400, 120, [](HDC dc) {
    FillBox(dc, {0, 0, 400, 30}, RGB(255, 0, 0));
    PaintText(dc, 20, 40, L"END 日本", 60, RGB(0, 0, 0));
  });
}

// The drawing happened: frame, block and text are where they were drawn.
void ExpectBaseDrawn(const Picture& base) {
  EXPECT_EQ(base.Rgb(2, 2), 0u);
  EXPECT_EQ(base.Rgb(base.Width() - 3, base.Height() - 3), 0u);
  EXPECT_EQ(base.Rgb(30, 30), 0xF08000u);
  EXPECT_EQ(base.Rgb(base.Width() - 20, base.Height() - 20), kWhite);
  EXPECT_TRUE(base.HasInk({base.Width() / 3, 24, base.Width() - 6, 24 + base.Height() / 6}));
}

// ---- The host -------------------------------------------------------------------------

// vpiSendLayoutData's arguments that these jobs use (lengths in tenths of a millimetre).
struct Layout {
  int32_t orientation, columnPitch, rowPitch, paperWidth, paperHeight, leftMargin, topMargin, labelTotal, columns, rows;
};

// Calls the object through its slot table as the host does; every result that the
// host would check is expected to be true.
class Host {
 public:
  Host(void* object, HDC dc) : object_(object), dc_(dc) {}

  void Initialize(HANDLE printer, int16_t dpi) {
    const SettingsRecord settings = SettingsWithResolution(dpi);
    const ExtraRecord extra{};
    SlotOf<slot::Initialize>(object_, 2)(object_, printer, &settings, &extra);
  }
  void Header(PageSize page) { Expect("vpiWritePrintJobHeader", Slot<slot::WritePrintJobHeader>(10)(object_, &page)); }
  void SendLayout(const Layout& l) {
    SlotOf<slot::SendLayoutData>(object_, 18)(object_, l.orientation, 0, 0, l.columnPitch, l.rowPitch, l.paperWidth,
                                              l.paperHeight, l.leftMargin, l.topMargin, l.labelTotal, l.columns,
                                              l.rows);
  }
  void Send(const Picture& picture, const char* name) {
    Expect(name, Slot<slot::SendBitmap>(3)(object_, dc_, picture.Handle(), name));
  }
  void NewPage() { Expect("vpiCreateNewPage", Slot<slot::NoArguments>(4)(object_)); }
  void Base() { Expect("vpiReferToBaseBitmap", Slot<slot::NoArguments>(5)(object_)); }
  void Variable(Point at) {
    Expect("vpiReferToVariableBitmap", Slot<slot::ReferToVariableBitmap>(6)(object_, tag_, &at));
  }
  void Static(int32_t quantity) { Expect("vpiCloseNewPageStatic", Slot<slot::WithCount>(7)(object_, quantity)); }
  void Dynamic(int32_t labels) { Expect("vpiCloseNewPageDynamic", Slot<slot::WithCount>(8)(object_, labels)); }
  void Final() { Expect("vpiCloseNewPageFinal", Slot<slot::NoArguments>(9)(object_)); }
  void Empty() { Expect("vpiAddEmptyPage", Slot<slot::NoArguments>(11)(object_)); }
  void End(Point at) { Expect("vpiReferToEndLabel", Slot<slot::ReferToLabel>(12)(object_, &at, tag_)); }
  void Start(Point at) { Expect("vpiReferToStartLabel", Slot<slot::ReferToLabel>(13)(object_, &at, tag_)); }
  void Text(const std::wstring& text, Point at, int32_t size) {
    Expect("vpiWriteText", Slot<slot::WriteText>(14)(object_, text.c_str(), &at, size, tag_));
  }
  void Clock(Point at, int32_t size) {
    Expect("vpiWriteClock", Slot<slot::WriteClock>(17)(object_, tag_, &at, size, tag_));
  }
  void WritePrinter() { Expect("vpiWritePrinter", Slot<slot::NoArguments>(21)(object_)); }
  void Clock2(Point at, int32_t size, uint32_t colour) {
    Expect("vpiWriteClock2", Slot<slot::WriteClock2>(22)(object_, tag_, &at, size, tag_, colour));
  }
  void Text2(const std::wstring& text, Point at, int32_t size, uint32_t colour) {
    Expect("vpiWriteText2", Slot<slot::WriteText2>(23)(object_, text.c_str(), &at, size, tag_, colour));
  }

 private:
  template <class Function>
  Function Slot(int index) const {
    return SlotOf<Function>(object_, index);
  }
  static void Expect(const char* call, bool result) { EXPECT_TRUE(result) << call; }

  static inline int hostData_ = 0;
  void* object_;
  HDC dc_;
  void* tag_ = &hostData_;  // the host's opaque pointers: non-null, never read
};

// A download the job must contain: its graphic name, the picture it was captured from
// and how many columns were cropped off its left.
struct ExpectedDownload {
  std::string name;
  const Picture* picture;
  uint32_t cropped = 0;
};

class WholeJobTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    output_ = win_tools::TempFilePath(L"zov-whole-job");
    ::DeleteFileW(output_.c_str());
    // A printer of its own for every test: its data holds only what the test stores.
    ASSERT_TRUE(printer_.Delete()) << printer_.LastError();
    ASSERT_TRUE(printer_.Create()) << printer_.LastError();
    Setting(L"Override", 0);
    dc_ = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc_, nullptr);
  }
  void TearDown() override {
    PluginTest::TearDown();
    EXPECT_TRUE(printer_.Delete()) << printer_.LastError();
    ::DeleteFileW(output_.c_str());
    ::DeleteDC(dc_);
  }

  void Setting(const wchar_t* name, uint32_t value) {
    ASSERT_EQ(
        ::SetPrinterDataExW(printer_.Handle(), kKey, name, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value),
        static_cast<DWORD>(ERROR_SUCCESS))
        << win_tools::Narrow(name);
  }
  void Settings(std::initializer_list<std::pair<const wchar_t*, uint32_t>> values) {
    for (const auto& [name, value] : values) Setting(name, value);
  }
  void TextSetting(const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(::SetPrinterDataExW(printer_.Handle(), kKey, name, REG_SZ,
                                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.data())),
                                  static_cast<DWORD>(text.size() * sizeof(wchar_t))),
              static_cast<DWORD>(ERROR_SUCCESS));
  }

  // Opens the document and a new object initialised with the printer at `dpi`.
  Host StartJob(int16_t dpi) {
    ::DeleteFileW(output_.c_str());  // a test may print several jobs
    EXPECT_TRUE(printer_.StartDocument(output_, L"zov whole job")) << printer_.LastError();
    object_ = NewObject();
    Host host(object_, dc_);
    host.Initialize(printer_.Handle(), dpi);
    return host;
  }

  // Ends the document and reads the output file back; the stream must split cleanly,
  // close every format it opens, carry downloads of the right length and pass the
  // checker, with at most the one error `checkerError` (the line without its offset).
  // The copy kept for the test command is named `keep`, or after the test.
  CommandStream FinishJob(const std::string& checkerError = "", const std::string& keep = "") {
    EXPECT_TRUE(printer_.EndDocument()) << printer_.LastError();
    bool readable = false;
    const std::string bytes = win_tools::ReadFileBytes(output_, &readable);
    EXPECT_TRUE(readable);
    KeepStream(bytes, keep);
    CommandStream stream = label_stream::ReadCommandStream(bytes);
    EXPECT_TRUE(stream.ok()) << stream.errors.front().message << " at " << stream.errors.front().offset;
    EXPECT_EQ(label_stream::FindFramingViolations(stream), std::vector<size_t>{});
    EXPECT_EQ(label_stream::FindBadDownloads(stream), std::vector<size_t>{});
    const std::string errors = testing_support::CheckerErrors(bytes);
    if (checkerError.empty())
      EXPECT_EQ(errors, "");
    else
      EXPECT_EQ(errors.substr(std::min(errors.find(": "), errors.size())), ": " + checkerError + "\n");
    return stream;
  }

  // A copy in wholejob-streams/ beside the test, named after the test: the test command
  // renders and reports every one of them.
  static void KeepStream(const std::string& bytes, const std::string& keep) {
    const std::wstring folder = win_tools::ExecutableFolder() + L"\\wholejob-streams";
    ASSERT_TRUE(win_tools::CreateFolders(folder));
    const std::string name = keep.empty() ? ::testing::UnitTest::GetInstance()->current_test_info()->name() : keep;
    std::ofstream file(std::filesystem::path(folder) / (name + ".prn"), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(file.good());
  }

  HDC dc_ = nullptr;
  void* object_ = nullptr;  // the job's object

 private:
  win_tools::WinePrinter printer_{kPrinterName};
  std::wstring output_;
};

// One command a line, so that a difference shows as a diff of lines.
std::string Lines(const std::string& commands) {
  std::string lines;
  for (const char c : commands) {
    if ((c == '^' || c == '~') && !lines.empty()) lines += '\n';
    lines += c;
  }
  return lines;
}

// The stream's commands, each download reduced to Download(name), one a line.
std::string Skeleton(const CommandStream& stream) {
  std::string skeleton;
  for (const Command& command : stream.commands)
    skeleton += command.download ? Download(command.name) : command.text;
  return Lines(skeleton);
}

// The downloads in stream order, each a complete PNG of the picture it came from.
void ExpectDownloads(const CommandStream& stream, const std::vector<ExpectedDownload>& expected) {
  std::vector<const Command*> downloads;
  for (const Command& command : stream.commands)
    if (command.download) downloads.push_back(&command);
  ASSERT_EQ(downloads.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "download " << i << " (" << expected[i].name << ") at " << downloads[i]->offset);
    EXPECT_EQ(downloads[i]->name, expected[i].name);
    EXPECT_EQ(downloads[i]->declaredLength, downloads[i]->payload.size());
    EXPECT_EQ(CompareWithPng(downloads[i]->payload, *expected[i].picture, expected[i].cropped), "");
  }
}

void ExpectEveryRecallDownloaded(const CommandStream& stream) {
  EXPECT_EQ(label_stream::FindRecallsWithoutDownload(stream), std::vector<size_t>{});
}

// ---- The jobs -------------------------------------------------------------------------

TEST_F(WholeJobTest, StaticTwoByTwoAt600DpiWithAPartialLastSheet) {
  Settings(
      {{L"DoAutoCut", 1}, {L"AutoCut", 0}, {L"CutInterval", 1}, {L"Pause", 0}, {L"Buzzer", 1}, {L"TimeFormatDate", 3}});
  const Picture base = BasePicture(1100, 560);
  ExpectBaseDrawn(base);
  const Picture start = PatternPicture(300, 120, 1);
  const Picture lot = NumberPicture(7);
  const Picture end = EndPicture();
  EXPECT_TRUE(end.HasInk({20, 40, 400, 110}));

  // 10 labels of 50 x 25 mm, 2 across and 2 down on a 100 x 50 mm page. Margins of 2.0
  // and 1.0 mm are 47 and 24 pixels; the pitches 1181 and 591.
  Host host = StartJob(600);
  host.Header({2362, 1181});
  host.SendLayout({0, 500, 250, 1000, 500, 20, 10, 10, 2, 2});
  host.Send(base, "LABEL_BASE");
  host.Send(start, "JOB_START");
  host.Start({47, 24});
  host.Send(lot, "LOT");
  // The same labels on every position: one page printed twice (8 labels), then the
  // last 2 labels on a sheet of their own.
  std::string pages;
  for (const int positions : {4, 2}) {
    host.NewPage();
    std::string page = kBegin + "^C(L";
    for (int p = 0; p < positions; ++p) {
      const int32_t x = p % 2 * 1181 + 47, y = p / 2 * 591 + 24;  // the label's top left, host pixels
      host.Base();
      host.Variable({x + 700, y + 300});
      host.Text(L"Grüße", {x + 20, y + 400}, 30);
      host.Text2(L"日本", {x + 300, y + 400}, 40, 0x00C02010);
      host.Clock({x + 20, y + 480}, 24);
      const uint32_t px = x - 35;  // less the unprintable strip
      page += Download("DYNAMIC") + Recall(px + 700, y + 300, "DYNAMIC") +
              Field(px + 20, y + 430, kBlack, 'N', 30, kGruesse) +
              Field(px + 300, y + 440, "16,32,192,255", 'N', 40, kNihon) +
              Field(px + 20, y + 504, kBlack, 'N', 24, "%Y/%m/%d %H:%M:%S", true);
    }
    host.Static(positions == 4 ? 2 : 1);
    host.Final();
    if (positions == 4) {
      // First page, a partial sheet to follow: no beep; cut after every page.
      page += Buzzer(false) + Quantity(2, 1, false);
    } else {
      // The partial sheet: positions 3 and 4 painted over, printed once, and the beep.
      page += WhiteBox(12, 615, 1100, 560) + WhiteBox(1193, 615, 1100, 560) + Quantity(1, 1, false) + Buzzer(true);
    }
    pages += page + kEnd;
  }
  host.Empty();
  host.Send(end, "JOB_END");
  host.End({47, 24});
  host.WritePrinter();
  const CommandStream stream = FinishJob();

  const std::string baseFormat = kBegin + Download("BASE") + Recall(1193, 24, "BASE") + Recall(1193, 615, "BASE") +
                                 Recall(12, 24, "BASE") + Recall(12, 615, "BASE") + "^C(SN" + kEnd;
  const std::string closeSingle = Quantity(1, 1, false) + Buzzer(false) + kEnd;
  EXPECT_EQ(Skeleton(stream), Lines(Header(600, 2267, 1181) + baseFormat + kBegin + Download("START") +
                                    Recall(12, 24, "START") + closeSingle + pages + kEmptyPage + closeSingle + kBegin +
                                    Download("END") + Recall(12, 24, "END") + closeSingle));
  std::vector<ExpectedDownload> downloads{{"BASE", &base}, {"START", &start}};
  for (int i = 0; i < 6; ++i) downloads.push_back({"DYNAMIC", &lot});
  downloads.push_back({"END", &end});
  ExpectDownloads(stream, downloads);
  ExpectEveryRecallDownloaded(stream);
}

TEST_F(WholeJobTest, DynamicTwoByTwoMasksAndCutsTheLastPage) {
  Settings({{L"DoAutoCut", 1}, {L"AutoCut", 1}, {L"CutInterval", 1}, {L"Pause", 1}, {L"Buzzer", 1}});
  const Picture base = BasePicture(1100, 560);
  std::vector<Picture> numbers;
  for (int n = 1; n <= 6; ++n) numbers.push_back(NumberPicture(n));
  EXPECT_TRUE(numbers[0].HasInk({10, 10, 170, 80}));

  // 6 labels, each with its own number, on two sheets of 2 x 2; the host flushes after
  // every page.
  Host host = StartJob(600);
  host.Header({2362, 1181});
  host.SendLayout({0, 500, 250, 1000, 500, 20, 10, 6, 2, 2});
  host.Send(base, "BASE");
  host.WritePrinter();
  std::string pages;
  for (int n = 1; n <= 6; ++n) {
    const int p = (n - 1) % 4;
    const int32_t x = p % 2 * 1181 + 47, y = p / 2 * 591 + 24;
    const uint32_t px = x - 35;
    if (p == 0) {
      host.NewPage();
      pages += kBegin + "^C(L";
    }
    host.Base();
    host.Send(numbers[n - 1], "NUMBER");
    host.Variable({x + 800, y + 100});
    host.Text2(L"Nº " + std::to_wstring(n), {x + 20, y + 420}, 36, 0x000000FF);
    host.Clock2({x + 20, y + 480}, 24, 0x00FF0000);
    pages += Download("DYNAMIC") + Recall(px + 800, y + 100, "DYNAMIC") +
             Field(px + 20, y + 456, "255,0,0,255", 'N', 36, "N_C2_BA " + std::to_string(n)) +
             Field(px + 20, y + 504, "0,0,255,255", 'N', 24, "%H:%M:%S", true);
    if (n == 4) {
      // A whole sheet: cut (4 labels are one cut interval), pause, no beep yet.
      host.Dynamic(4);
      pages += Quantity(1, 1, true) + Buzzer(false) + kEnd;
    } else if (n == 6) {
      // The last sheet holds 2 labels: positions 3 and 4 masked, cut, and the beep.
      host.Dynamic(6);
      pages +=
          WhiteBox(12, 615, 1100, 560) + WhiteBox(1193, 615, 1100, 560) + Quantity(1, 1, true) + Buzzer(true) + kEnd;
    }
    if (n == 4 || n == 6) {
      host.Final();
      host.WritePrinter();
    }
  }
  const CommandStream stream = FinishJob();

  EXPECT_EQ(Skeleton(stream), Lines(Header(600, 2267, 1181) + kBegin + Download("BASE") + Recall(1193, 24, "BASE") +
                                    Recall(1193, 615, "BASE") + Recall(12, 24, "BASE") + Recall(12, 615, "BASE") +
                                    "^C(SN" + kEnd + pages));
  std::vector<ExpectedDownload> downloads{{"BASE", &base}};
  for (const Picture& number : numbers) downloads.push_back({"DYNAMIC", &number});
  ExpectDownloads(stream, downloads);
  ExpectEveryRecallDownloaded(stream);
}

TEST_F(WholeJobTest, SingleUpAt300Dpi) {
  Settings({{L"DoAutoCut", 1}, {L"AutoCut", 2}, {L"Pause", 0}, {L"Buzzer", 1}, {L"TimeFormatChooseFromPreset", 0}});
  TextSetting(L"TimeFormatText", L"%d.%m.%Y");
  const Picture base = BasePicture(560, 280);
  ExpectBaseDrawn(base);
  std::vector<Picture> serials;
  for (int n = 1; n <= 3; ++n) serials.push_back(PatternPicture(160, 40, n));

  // 3 labels of 100 x 50 mm at 300 dpi: the unprintable strip is 17 pixels, the margins
  // of 2.0 and 1.0 mm are 24 and 12 pixels. Each label's 1-bit serial starts at x 10,
  // inside the strip, and loses 7 columns.
  Host host = StartJob(300);
  host.Header({1181, 591});
  host.SendLayout({0, 1000, 500, 1000, 500, 20, 10, 3, 1, 1});
  host.Send(base, "BASE");
  std::string pages;
  for (int n = 1; n <= 3; ++n) {
    const bool last = n == 3;
    host.NewPage();
    host.Base();
    host.Send(serials[n - 1], "SERIAL");
    host.Variable({10, 100});
    host.Text(L"Grüße " + std::to_wstring(n), {200, 300}, 24);
    host.Clock({200, 340}, 20);
    host.Dynamic(n);
    host.Final();
    // Cut only after the last label, which also beeps.
    pages += kBegin + "^C(L" + Download("DYNAMIC") + Recall(0, 100, "DYNAMIC") +
             Field(183, 324, kBlack, 'N', 24, kGruesse + " " + std::to_string(n)) +
             Field(183, 360, kBlack, 'N', 20, "%d.%m.%Y", true) + Quantity(1, last ? 1 : 0, false) + Buzzer(last) +
             kEnd;
  }
  host.Empty();
  host.WritePrinter();
  const CommandStream stream = FinishJob();

  // 100 x 50 mm at 300 dpi is 2362 x 1182 dots at 600.
  EXPECT_EQ(Skeleton(stream),
            Lines(Header(300, 2267, 1182) + kBegin + Download("BASE") + Recall(7, 12, "BASE") + "^C(SN" + kEnd + pages +
                  kEmptyPage + Quantity(1, 0, false) + Buzzer(false) + kEnd));
  std::vector<ExpectedDownload> downloads{{"BASE", &base}};
  for (const Picture& serial : serials) downloads.push_back({"DYNAMIC", &serial, 7});
  ExpectDownloads(stream, downloads);
  ExpectEveryRecallDownloaded(stream);
}

TEST_F(WholeJobTest, NinetyDegrees) {
  Settings({{L"DoAutoCut", 1}, {L"AutoCut", 0}, {L"Pause", 0}, {L"Buzzer", 0}});
  const Picture base = Picture::Drawn(1000, 900, [](HDC dc) {
    DrawFrame(dc, {0, 0, 1000, 900}, 6, RGB(0, 0, 0));
    FillBox(dc, {20, 20, 270, 320}, kOrange);
    PaintText(dc, 400, 850, L"ZOV 日本", 90, kNavy, 900);  // turned a quarter to the left
  });
  EXPECT_TRUE(base.HasInk({400, 300, 520, 850}));
  const Picture start = PatternPicture(300, 120, 2);
  const Picture end = EndPicture();
  std::vector<Picture> numbers;
  for (int n = 1; n <= 3; ++n) numbers.push_back(NumberPicture(n));

  // The host's page is 50 mm wide and 100 mm high with 1 column of 2 labels, 45 x 50 mm;
  // turned, the printer sees 2 labels across (pitch 1181) at the printer's width of
  // 100 mm. Margins of 2.0 mm: left offset 47; top offset 1181 - 1063 - 47 = 71.
  Host host = StartJob(600);
  host.Header({2362, 1181});
  host.SendLayout({90, 450, 500, 500, 1000, 20, 20, 3, 1, 2});
  host.Send(base, "BASE");
  // The start label starts in the unprintable strip and loses 15 columns.
  host.Send(start, "START");
  host.Start({20, 71});
  std::string pages;
  for (int n = 1; n <= 3; ++n) {
    const int p = (n - 1) % 2;
    const int32_t x = p * 1181 + 47;  // printer x of the label (host pixels, before the strip)
    if (p == 0) {
      host.NewPage();
      pages += kBegin + "^C(L";
    }
    host.Base();
    host.Send(numbers[n - 1], "NUMBER");
    host.Variable({x + 100, 171});  // images come turned, in the printer's directions
    // Fields come in the host's directions: host (hx, hy) prints at (hy - 35, 1181 - hx),
    // and a turned font moves its origin right by its height.
    host.Text(L"日本 " + std::to_wstring(n), {147, x + 200}, 30);
    host.Clock({147, x + 300}, 24);
    pages += Download("DYNAMIC") + Recall(x + 65, 171, "DYNAMIC") +
             Field(x + 195, 1034, kBlack, 'B', 30, kNihon + " " + std::to_string(n)) +
             Field(x + 289, 1034, kBlack, 'B', 24, "%H:%M:%S", true);
    if (n == 2 || n == 3) {
      host.Dynamic(n);
      host.Final();
      // The last sheet's second label is vacant: at 90 degrees it is the second one across.
      pages += (n == 3 ? WhiteBox(1193, 71, 1000, 900) : "") + Quantity(1, 1, false) + Buzzer(false) + kEnd;
    }
  }
  host.Send(end, "END");
  host.End({47, 71});
  host.WritePrinter();
  const CommandStream stream = FinishJob();

  const std::string closeSingle = Quantity(1, 1, false) + Buzzer(false) + kEnd;
  EXPECT_EQ(Skeleton(stream),
            Lines(Header(600, 2267, 1181) + kBegin + Download("BASE") + Recall(1193, 71, "BASE") +
                  Recall(12, 71, "BASE") + "^C(SN" + kEnd + kBegin + Download("START") + Recall(0, 71, "START") +
                  closeSingle + pages + kBegin + Download("END") + Recall(12, 71, "END") + closeSingle));
  std::vector<ExpectedDownload> downloads{{"BASE", &base}, {"START", &start, 15}};
  for (const Picture& number : numbers) downloads.push_back({"DYNAMIC", &number});
  downloads.push_back({"END", &end});
  ExpectDownloads(stream, downloads);
  ExpectEveryRecallDownloaded(stream);
}

// The log lines added to the diagnostic log since it was `before` bytes long.
std::string LogSince(size_t before) {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  const std::string log =
      win_tools::ReadFileBytes(std::wstring(folder) + L"\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log");
  return log.size() < before ? log : log.substr(before);
}

TEST_F(WholeJobTest, ABaseThatStraddlesTheUnprintableStripIsForcedThrough) {
  // No left margin: the job is invalid (0 of the 35 dots), printed anyway.
  Settings({{L"PrintError", 0}, {L"ForcePrinting", 1}, {L"DoAutoCut", 0}, {L"Buzzer", 0}});
  const Picture base = BasePicture(1100, 560);
  const Picture number = NumberPicture(3);
  const Picture end = PatternPicture(20, 40, 4);  // narrower than the strip where it is placed
  const size_t logBefore = LogSince(0).size();

  // 2 labels of 50 x 50 mm side by side; the left one begins inside the strip.
  Host host = StartJob(600);
  host.Header({2362, 1181});
  host.SendLayout({0, 500, 500, 1000, 500, 0, 10, 2, 2, 1});
  host.Send(base, "BASE");
  host.NewPage();
  host.Base();
  host.Send(number, "NUMBER");
  host.Variable({10, 100});            // 25 columns in the strip
  host.Text(L"Grüße", {20, 300}, 30);  // text is held at the printer's x 0
  host.Clock({20, 340}, 24);           // a clock is not: x 20 - 35
  host.Base();
  host.Variable({1181 + 100, 100});
  host.Static(1);
  host.Final();
  host.Send(end, "END");
  host.End({5, 24});  // wholly in the strip: deleted, recalled at 0
  host.WritePrinter();
  // The clock's x, 20 - 35, is written as its unsigned 32-bit equivalent: a quirk the
  // checker names as a warning, not an error.
  const CommandStream stream = FinishJob();

  EXPECT_NE(LogSince(logBefore).find(",ZOV_PLUGIN_KD-V62x0G,vpiSendLayoutData,Invlid Left Margin: 0px @ 600dpi\n"),
            std::string::npos);
  // From the right: the uncropped base at 1181 - 35, then the base less 35 columns at 0.
  const std::string baseFormat =
      kBegin + Download("BASE") + Recall(1146, 24, "BASE") + Download("BASE") + Recall(0, 24, "BASE") + "^C(SN" + kEnd;
  // A first page of whole sheets: quantity and then the notification, no cut.
  const std::string page =
      kBegin + "^C(L" + Download("DYNAMIC") + Recall(0, 100, "DYNAMIC") + Field(0, 330, kBlack, 'N', 30, kGruesse) +
      Field(static_cast<uint32_t>(-15), 364, kBlack, 'N', 24, "%H:%M:%S", true) + Download("DYNAMIC") +
      Recall(1246, 100, "DYNAMIC") + Quantity(1, 0, false) + Buzzer(false) + kEnd;
  const std::string endLabel =
      kBegin + "^IDR:END.PNG" + Recall(0, 24, "END") + Quantity(1, 0, false) + Buzzer(false) + kEnd;
  EXPECT_EQ(Skeleton(stream), Lines(Header(600, 2267, 1181) + baseFormat + page + endLabel));
  // The second placement of the variable image takes what the first one cropped.
  ExpectDownloads(stream, {{"BASE", &base}, {"BASE", &base, 35}, {"DYNAMIC", &number, 25}, {"DYNAMIC", &number, 25}});
  // The end label's recall is the one of a graphic that was deleted, not downloaded.
  std::vector<size_t> recall;
  for (const Command& command : stream.commands)
    if (command.text == "^IMR:END.PNG") recall.push_back(command.offset);
  EXPECT_EQ(recall.size(), 1u);
  EXPECT_EQ(label_stream::FindRecallsWithoutDownload(stream), recall);
}

TEST_F(WholeJobTest, TheTraceFollowsTheCallsOfAJob) {
  const Picture base = BasePicture(560, 280);
  const Picture label = PatternPicture(200, 60, 5);
  const Picture number = NumberPicture(1);
  ClearTrace();
  Host host = StartJob(600);
  host.Header({2362, 1181});
  host.SendLayout({0, 1000, 500, 1000, 500, 20, 10, 1, 1, 1});
  host.Send(base, "BASE");
  host.Send(label, "START");
  host.Start({47, 24});
  host.NewPage();
  host.Base();
  host.Send(number, "NUMBER");
  host.Variable({400, 100});
  host.Text(L"Grüße", {60, 300}, 30);
  host.Text2(L"日本", {60, 340}, 30, 0x0000FF00);
  host.Clock({60, 380}, 24);
  host.Clock2({60, 420}, 24, 0x00FF0000);
  host.Dynamic(1);
  host.Final();
  host.Empty();
  host.Send(label, "END");
  host.End({47, 24});
  host.WritePrinter();
  Library().Delete(object_);
  Forget(object_);
  FinishJob();

  // The fields' workers trace once more after the operation; a plain clock traces as
  // the coloured one, and the end label traces its end.
  const std::vector<std::string> expected{
      "KDV6200Plugin(): start\n",
      "vpiInitialize(): start\n",
      "vpiWritePrintJobHeader(): start\n",
      "vpiSendLayoutData(): start\n",
      "vpiSendBitmap(): start\n",
      "vpiSendBitmap(): start\n",
      "vpiReferToStartLabel(): start\n",
      "vpiCreateNewPage(): start\n",
      "vpiReferToBaseBitmap(): start\n",
      "vpiSendBitmap(): start\n",
      "vpiReferToVariableBitmap(): start\n",
      "vpiWriteText(): start\n",
      "vpiWriteText(): start\n",
      "vpiWriteText2(): start\n",
      "vpiWriteText(): start\n",
      "vpiWriteClock2(): start\n",
      "vpiWriteClock(): start\n",
      "vpiWriteClock2(): start\n",
      "vpiWriteClock(): start\n",
      "vpiCloseNewPageDynamic(): start\n",
      "vpiCloseNewPageFinal(): start\n",
      "vpiAddEmptyPage(): start\n",
      "vpiSendBitmap(): start\n",
      "vpiReferToEndLabel(): end\n",
      "vpiWritePrinter(): start\n",
      "~KDV6200Plugin(): start\n",
  };
  EXPECT_EQ(TraceLines(), expected);
}

// The report's cut words, for jobs printed with each cut setting: the words name the
// setting that was set, and where other settings give the same formats, those too.
// Labels come from the DLL's own string table, as the report shows them.
class DllStrings final : public platform::StringTable {
 public:
  explicit DllStrings(HMODULE module) : module_(module) {}
  bool Load(uint32_t id, std::u16string& text) override {
    const wchar_t* resource = nullptr;
    const int length = ::LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0) return false;
    text.assign(reinterpret_cast<const char16_t*>(resource), static_cast<size_t>(length));
    return true;
  }

 private:
  HMODULE module_;
};

TEST_F(WholeJobTest, TheReportInfersTheCutSettingsThatWereSet) {
  DllStrings strings(Library().Module());
  platform::ScopedService<platform::StringTable> useDllStrings(strings);
  const std::string kEvery = "After Every Page", kSpecified = "After Specified Number Of Pages",
                    kLast = "Only After Last Page", kSame = "; the formats are the same for these";
  struct Case {
    bool dynamic, start;  // pages one at a time; a start label (every job has an end label)
    uint32_t doAutoCut, autoCut, interval;
    std::string cut, cutInterval;  // the rows' words before " (inferred from the formats' cut counts)"
  };
  const std::string kEveryOrSpecified = "Auto Cut: " + kEvery + " or " + kSpecified;
  const Case cases[] = {
      // Pages one sheet at a time, four sheets; with a start label, then without.
      {true, true, 0, 0, 1, "No Auto Cut", ""},
      {true, true, 1, 0, 1, kEveryOrSpecified + " (every 1 or more pages)" + kSame, ""},
      {true, true, 1, 1, 2, "Auto Cut: " + kSpecified, "2 pages"},
      {true, true, 1, 1, 3, "Auto Cut: " + kSpecified, "3 pages"},
      {true, true, 1, 1, 5, "Auto Cut: " + kSpecified, "4 or more pages"},
      {true, true, 1, 2, 1, "Auto Cut: " + kLast, ""},
      {true, false, 0, 0, 1, "No Auto Cut", ""},
      {true, false, 1, 0, 1, kEveryOrSpecified + " (every 1 or more pages) or " + kLast + kSame, ""},
      {true, false, 1, 1, 2, "Auto Cut: " + kSpecified, "2 pages"},
      {true, false, 1, 1, 3, "Auto Cut: " + kSpecified, "3 pages"},
      {true, false, 1, 1, 5, "Auto Cut: " + kSpecified + " (every 4 or more pages) or " + kLast + kSame, ""},
      {true, false, 1, 2, 1, "Auto Cut: " + kSpecified + " (every 4 or more pages) or " + kLast + kSame, ""},
      // Three copies of a full sheet, then a partial sheet.
      {false, true, 0, 0, 1, "No Auto Cut", ""},
      {false, true, 1, 0, 1, kEveryOrSpecified + " (every 1 page)" + kSame, ""},
      {false, true, 1, 1, 2, "Auto Cut: " + kSpecified, "2 pages"},
      {false, true, 1, 1, 3, "Auto Cut: " + kSpecified, "3 pages"},
      {false, true, 1, 1, 5, "Auto Cut: " + kSpecified, "5 pages"},
      {false, true, 1, 2, 1, "Auto Cut: " + kLast, ""},
      {false, false, 0, 0, 1, "No Auto Cut", ""},
      {false, false, 1, 0, 1, kEveryOrSpecified + " (every 1 page)" + kSame, ""},
      {false, false, 1, 1, 2, "Auto Cut: " + kSpecified, "2 pages"},
      {false, false, 1, 1, 3, "Auto Cut: " + kSpecified + " (every 3 pages) or " + kLast + kSame, ""},
      {false, false, 1, 1, 5, "Auto Cut: " + kSpecified, "5 pages"},
      {false, false, 1, 2, 1, "Auto Cut: " + kLast, ""},
  };
  const Picture base = BasePicture(200, 100), start = PatternPicture(120, 40, 1), end = PatternPicture(120, 40, 2);
  for (const Case& c : cases) {
    const std::string name = std::string("CutWords_") + (c.dynamic ? "dynamic" : "copies") +
                             (c.start ? "_start" : "") + "_" + std::to_string(c.doAutoCut) + "_" +
                             std::to_string(c.autoCut) + "_" + std::to_string(c.interval);
    SCOPED_TRACE(name);
    Settings({{L"DoAutoCut", c.doAutoCut}, {L"AutoCut", c.autoCut}, {L"CutInterval", c.interval}, {L"Pause", 0},
              {L"Buzzer", 1}});
    // 14 labels, 2 x 2 on a sheet: three full sheets and one of 2 labels.
    Host host = StartJob(600);
    host.Header({2362, 1181});
    host.SendLayout({0, 500, 250, 1000, 500, 20, 10, 14, 2, 2});
    host.Send(base, "BASE");
    if (c.start) {
      host.Send(start, "START");
      host.Start({47, 24});
    }
    for (int32_t label = 1; label <= 14; ++label) {
      const bool first = (label - 1) % 4 == 0, closes = label % 4 == 0 || label == 14;
      if (!c.dynamic && label > 4 && label <= 12) continue;  // copies of the first sheet print them
      if (first) host.NewPage();
      host.Base();
      if (!closes) continue;
      if (c.dynamic) host.Dynamic(label);
      else host.Static(label == 4 ? 3 : 1);
      host.Final();
    }
    host.Send(end, "END");
    host.End({47, 24});
    host.WritePrinter();
    const CommandStream stream = FinishJob("", name);
    const std::vector<label_inspect::JobSettings> jobs = label_inspect::DescribeSettings(stream);
    ASSERT_EQ(jobs.size(), 1u);
    std::string cut, interval;
    for (const label_inspect::SettingRow& row : jobs[0].rows) {
      if (row.name == "Cut") cut = row.value;
      if (row.name == "Cut interval") interval = row.value;
    }
    const std::string inferred = " (inferred from the formats' cut counts)";
    EXPECT_EQ(cut, c.cut + inferred);
    EXPECT_EQ(interval, c.cutInterval.empty() ? "" : c.cutInterval + inferred);
  }
}

}  // namespace
}  // namespace kdv_test
