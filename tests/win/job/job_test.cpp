// Whole jobs through the real DLL: the configuration switches stored as a Wine printer's
// data, the host's calls made inside a document as the host makes them, and the exact
// bytes that reached the printer's output file and the lines the log file received.
#include <windows.h>
#include <winspool.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "stream/command_stream.h"
#include "stream/png_summary.h"
#include "support/stream_check.h"
#include "common/win_files.h"
#include "common/wine_printer.h"
#include "win/plugin/plugin_fixture.h"

namespace kdv_test {
namespace {

using win_tools::ReadFileBytes;
using win_tools::WinePrinter;

constexpr wchar_t kPrinterName[] = L"ZOV Job Test";
constexpr wchar_t kKey[] = L"ORVEX_KD-V62x0G_Config";

const std::string kBegin = "^XA^CI28^S(CMP,U,D";
const std::string kEnd = "^XZ";
const std::string kRes600 = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,A";
const std::string kRes300 = "^S(CLR,P,600^S(CLR,R,600^S(CLR,Z,600^S(CLR,M,B";
const std::string kDefaultRun =
    "^S(CLS,G,35^S(CLW,B,0^S(CLW,T,0^S(CLW,L,0^S(CLW,R,0^S(CLM,T,G1^S(CPC,C,N^S(CPC,D,0^S(CPC,P,0^S(CPC,B,0"
    "^S(CLP,M,0^S(CLM,D,W^S(CLM,F,DL^S(CLM,P,IR^S(CLM,S,RP^S(CMP,S,12^S(CMP,F,1";
// The page every job below composes: an empty format.
const std::string kPage = kBegin + kEnd;

// 100 mm x 50 mm at 600 and at 300 dpi (2362 x 1182 dots), and a valid size at 200 dpi
// (2361 x 1200 dots), with the label sizes their headers send.
const PageSize kPage600{2362, 1181};
const PageSize kPage300{1181, 591};
const PageSize kPage200{787, 400};
const std::string kSize600 = "^S(CLS,P,2267^S(CLS,L,1181";
const std::string kSize300 = "^S(CLS,P,2267^S(CLS,L,1182";
const std::string kSize200 = "^S(CLS,P,2266^S(CLS,L,1200";

// One line of an error label.
std::string ErrorLine(int y, const std::string& text) {
  return "^FT35," + std::to_string(y + 40) + ",0^F(C0,0,0,255,N,255,255,255,0,N^A0N,40,40^FH_^FD" + text + "^FS";
}

std::wstring LogPath() {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log";
}

// What one job left behind.
struct JobOutcome {
  bool headerResult = false;
  bool writeResult = false;
  std::string output;       // the output file after the document ended
  std::vector<std::string> log;  // "source,message" of each line the job added
};

class JobTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    output_ = win_tools::TempFilePath(L"zov-job-test");
    ::DeleteFileW(output_.c_str());
    // A fresh printer has no data: the configuration starts at its defaults.
    ASSERT_TRUE(printer_.Delete()) << printer_.LastError();
    ASSERT_TRUE(printer_.Create()) << printer_.LastError();
  }
  void TearDown() override {
    PluginTest::TearDown();
    EXPECT_TRUE(printer_.Delete()) << printer_.LastError();
    ::DeleteFileW(output_.c_str());
  }

  // Stores one configuration value as the printer's data.
  void Setting(const wchar_t* name, uint32_t value) {
    ASSERT_EQ(::SetPrinterDataExW(printer_.Handle(), kKey, name, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                                  sizeof value),
              static_cast<DWORD>(ERROR_SUCCESS))
        << win_tools::Narrow(name);
  }
  void Switches(bool printError, bool forcePrinting) {
    Setting(L"PrintError", printError);
    Setting(L"ForcePrinting", forcePrinting);
  }

  // One job as the host runs it: a document, a new object initialised with the printer
  // and `dpi`, the header for `page`, a one-label layout at 0 degrees with `leftMargin`
  // (tenths of a millimetre; 50 is 118 pixels at 600 dpi), one empty page and
  // vpiWritePrinter. `afterInitialize` runs between vpiInitialize and the header.
  JobOutcome Run(int16_t dpi = 600, PageSize page = kPage600, int32_t leftMargin = 50,
                 const std::function<void()>& afterInitialize = {}) {
    JobOutcome outcome;
    const size_t logStart = LogSize();
    ::DeleteFileW(output_.c_str());
    EXPECT_TRUE(printer_.StartDocument(output_)) << printer_.LastError();
    void* object = NewObject();
    if (object == nullptr) return outcome;
    const SettingsRecord settings = SettingsWithResolution(dpi);
    const ExtraRecord extra{};
    SlotOf<slot::Initialize>(object, 2)(object, printer_.Handle(), &settings, &extra);
    if (afterInitialize) afterInitialize();
    outcome.headerResult = SlotOf<slot::WritePrintJobHeader>(object, 10)(object, &page);
    SlotOf<slot::SendLayoutData>(object, 18)(object, 0, 0, 0, 1000, 500, 1000, 500, leftMargin, 30, 1, 1, 1);
    EXPECT_TRUE(SlotOf<slot::NoArguments>(object, 4)(object));  // vpiCreateNewPage
    EXPECT_TRUE(SlotOf<slot::NoArguments>(object, 9)(object));  // vpiCloseNewPageFinal
    outcome.writeResult = SlotOf<slot::NoArguments>(object, 21)(object);
    EXPECT_TRUE(printer_.EndDocument()) << printer_.LastError();
    outcome.output = ReadFileBytes(output_);
    outcome.log = LogLinesFrom(logStart);
    ExpectWellFramed(outcome.output);
    return outcome;
  }

  // Every format that reached the printer is closed, and the stream splits cleanly.
  static void ExpectWellFramed(const std::string& bytes) {
    const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
    EXPECT_TRUE(stream.ok()) << bytes;
    EXPECT_TRUE(label_stream::FindFramingViolations(stream).empty()) << bytes;
    EXPECT_EQ(testing_support::CheckerErrors(bytes), "");
  }

  static size_t LogSize() { return ReadFileBytes(LogPath()).size(); }

  // The "source,message" part of each line added after `start` (the whole file when
  // another writer emptied it meanwhile).
  static std::vector<std::string> LogLinesFrom(size_t start) {
    const std::string content = ReadFileBytes(LogPath());
    const std::string prefix = ",ORVEX_ZOV,ZOV_PLUGIN_KD-V62x0G,";
    std::vector<std::string> lines;
    size_t at = content.size() < start ? 0 : start;
    for (size_t end; (end = content.find("\r\n", at)) != std::string::npos; at = end + 2) {
      const std::string line = content.substr(at, end - at);
      const size_t tail = line.find(prefix);
      lines.push_back(tail == std::string::npos ? line : line.substr(tail + prefix.size()));
    }
    return lines;
  }

  WinePrinter printer_{kPrinterName};
  std::wstring output_;
};

// The header of a 200 dpi job, with or without its error label.
std::string Header200(bool errorLabel, const std::string& settingsRun = "") {
  std::string header = kBegin + settingsRun + kRes600 + kSize200;
  if (errorLabel) {
    header += kRes600 + ErrorLine(35, "ERROR: Invalid resolution (200dpi)") +
              ErrorLine(83, "Valid resolutions are 300dpi and 600dpi.");
  }
  return header + kEnd;
}

struct OutcomeRow {
  const char* what;
  int16_t dpi;
  PageSize page;
  bool printError, forcePrinting;
  std::string output;
  std::vector<std::string> log;
};

TEST_F(JobTest, HeaderAndGateByValidityAndSwitches) {
  const std::string header600 = kBegin + kRes600 + kSize600 + kEnd;
  const std::string resolutionLine = "vpiWritePrintJobHeader,Invlid Resolution: 200dpi";
  const OutcomeRow rows[] = {
      {"valid", 600, kPage600, true, false, header600 + kPage, {}},
      {"valid, both switches clear", 600, kPage600, false, false, header600 + kPage, {}},
      {"invalid, PrintError", 200, kPage200, true, false, Header200(true), {resolutionLine}},
      {"invalid, both switches set", 200, kPage200, true, true, Header200(true), {resolutionLine}},
      {"invalid, ForcePrinting only", 200, kPage200, false, true, Header200(false) + kPage, {resolutionLine}},
      {"invalid, both switches clear", 200, kPage200, false, false, "", {resolutionLine}},
      {"too narrow, both switches clear", 600, PageSize{944, 1181}, false, false, "",
       {"vpiWritePrintJobHeader,Invlid Paper Size: 944x1181px @ 600dpi"}},
  };
  Setting(L"Override", 0);
  for (const OutcomeRow& row : rows) {
    Switches(row.printError, row.forcePrinting);
    const JobOutcome outcome = Run(row.dpi, row.page);
    EXPECT_TRUE(outcome.headerResult) << row.what;
    EXPECT_TRUE(outcome.writeResult) << row.what;
    EXPECT_EQ(outcome.output, row.output) << row.what;
    EXPECT_EQ(outcome.log, row.log) << row.what;
  }
}

struct ExampleRow {
  const char* what;
  int16_t dpi;
  PageSize page;
  bool storeOverride;  // false: no "Override" value, so the default (on) applies
  uint32_t override;
  std::string header;
};

TEST_F(JobTest, TheHeaderBytesAt300And600DpiWithAndWithoutTheSettingsRun) {
  const ExampleRow rows[] = {
      {"600 dpi, Override off", 600, kPage600, true, 0, kBegin + kRes600 + kSize600 + kEnd},
      {"300 dpi, Override off", 300, kPage300, true, 0, kBegin + kRes300 + kSize300 + kEnd},
      {"600 dpi, defaults", 600, kPage600, false, 0, kBegin + kDefaultRun + kRes600 + kSize600 + kEnd},
      {"300 dpi, Override on", 300, kPage300, true, 1, kBegin + kDefaultRun + kRes300 + kSize300 + kEnd},
  };
  for (const ExampleRow& row : rows) {
    ASSERT_TRUE(printer_.Delete()) << printer_.LastError();  // a store of its own for each row
    ASSERT_TRUE(printer_.Create()) << printer_.LastError();
    if (row.storeOverride) Setting(L"Override", row.override);
    const JobOutcome outcome = Run(row.dpi, row.page);
    EXPECT_EQ(outcome.output, row.header + kPage) << row.what;
    EXPECT_TRUE(outcome.log.empty()) << row.what;
  }
}

TEST_F(JobTest, TheStoredSettingsMakeTheSettingsRun) {
  const struct {
    const wchar_t* name;
    uint32_t value;
  } settings[] = {
      {L"MediaType", 3},          {L"UseAdvancedInkProfile", 1}, {L"ColorCorrection", 1},
      {L"InkAmount", 0xFFFFFFFAu}, {L"RatioOfBlack", 0xFFFFFFFDu}, {L"BandingReduction", 2},
      {L"PaperFeedAdjustment", 0xFFFFFF9Du}, {L"MediaForm", 3}, {L"MediaSource", 1},
      {L"PrintSpeed", 0},         {L"HeadMaintenance", 1},       {L"BarcodeThickness", 2},
  };
  for (const auto& setting : settings) Setting(setting.name, setting.value);
  const JobOutcome outcome = Run();
  const std::string run =
      "^S(CLS,G,35^S(CLW,B,0^S(CLW,T,0^S(CLW,L,0^S(CLW,R,0^S(CLM,T,M2^S(CPC,C,E^S(CPC,D,-6^S(CPC,P,-3^S(CPC,B,2"
      "^S(CLP,M,-99^S(CLM,D,M^S(CLM,F,CP^S(CLM,P,ER^S(CLM,S,FP^S(CMP,S,6^S(CMP,F,2";
  EXPECT_EQ(outcome.output, kBegin + run + kRes600 + kSize600 + kEnd + kPage);
}

struct MarginRow {
  const char* what;
  int16_t dpi;
  PageSize page;
  bool printError, forcePrinting;
  std::string sentByLayout;  // the margin error label
  bool pageSent;
  std::string log;
};

TEST_F(JobTest, ALeftMarginTooSmall) {
  // 1.4 mm: 33 pixels at 600 dpi, 17 at 300; both below the 35 dots of the unprintable strip.
  // The spooler holds a document's bytes until it ends, so the order shows what was sent
  // when: the label reaches the file although the gate drops the page that follows it.
  const std::string header600 = kBegin + kRes600 + kSize600 + kEnd;
  const std::string header300 = kBegin + kRes300 + kSize300 + kEnd;
  const std::string label = kBegin + kRes600 + ErrorLine(35, "ERROR: Invalid left margin (1.4mm / 0.06inch)") +
                            ErrorLine(83, "Valid left margin is equal or more than 1.5mm / 0.06 inch") + kEnd;
  const std::string log600 = "vpiSendLayoutData,Invlid Left Margin: 33px @ 600dpi\n";
  const MarginRow rows[] = {
      {"600 dpi, PrintError", 600, kPage600, true, false, label, false, log600},
      {"300 dpi, PrintError", 300, kPage300, true, false, label, false,
       "vpiSendLayoutData,Invlid Left Margin: 17px @ 300dpi\n"},
      {"600 dpi, ForcePrinting only", 600, kPage600, false, true, "", true, log600},
      {"600 dpi, both switches clear", 600, kPage600, false, false, "", false, log600},
  };
  Setting(L"Override", 0);
  for (const MarginRow& row : rows) {
    Switches(row.printError, row.forcePrinting);
    const JobOutcome outcome = Run(row.dpi, row.page, 14);
    const std::string header = row.dpi == 300 ? header300 : header600;
    EXPECT_EQ(outcome.output, header + row.sentByLayout + (row.pageSent ? kPage : "")) << row.what;
    EXPECT_EQ(outcome.log, std::vector<std::string>{row.log}) << row.what;
  }
}

TEST_F(JobTest, TheConfigurationIsReadAtInitialize) {
  Setting(L"Override", 0);
  EXPECT_EQ(Run().output, kBegin + kRes600 + kSize600 + kEnd + kPage);

  // Changed between two jobs: the next job follows it.
  Setting(L"Override", 1);
  Setting(L"MediaType", 2);
  std::string run = kDefaultRun;
  run.replace(run.find("^S(CLM,T,G1"), 11, "^S(CLM,T,M1");
  EXPECT_EQ(Run().output, kBegin + run + kRes600 + kSize600 + kEnd + kPage);

  // Changed after vpiInitialize: the job keeps what it read (settings run, PrintError).
  const JobOutcome outcome = Run(200, kPage200, 50, [this] {
    Setting(L"Override", 0);
    Switches(false, false);
  });
  EXPECT_EQ(outcome.output, Header200(true, run));
}

}  // namespace
}  // namespace kdv_test
