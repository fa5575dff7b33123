// sample_job.exe: prints two sample jobs through the real plug-in DLL, the way the host
// does, into one document of a Wine printer on FILE:, and reports every call with its
// result.
//
//   job 1: a complete job of 10 labels, 2 x 2 on a 100 x 50 mm page at 600 dpi: a base
//          image drawn with GDI, a start and an end label, a number image, two texts and
//          a clock per label, 3 sheets of which the last is only half used.
//   job 2: an invalid job at 200 dpi: the printer receives the header with its error
//          label, and the rest of the job is dropped.
//
// Before the jobs the printer's configuration is stored as its printer data (cutting
// every 2 pages, a beep at the end, the date in the clock), so the header's settings run
// and the cut commands show in the stream.
//
//   sample_job.exe [OUTPUT.prn]     (default: build\demo\sample_job.prn beside the build tree)
//
// Exit status: 0 when the jobs ran (operations that report false are listed, not
// fatal); 2 when the DLL cannot be loaded; 3 when the printer or its document fails.
// A job is a list of steps, one line of the report each: add calls in Job1 or Job2.
#include <windows.h>
#include <winspool.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/plugin_loader.h"
#include "common/win_files.h"
#include "common/wine_printer.h"
#include "plugin/host_interface.h"

namespace {

using plugin::HostPoint;
using win_tools::Narrow;

constexpr wchar_t kPrinterName[] = L"ZOV Sample Job";
constexpr wchar_t kConfigKey[] = L"ORVEX_KD-V62x0G_Config";

// The printer's configuration for the sample: the settings run stays on (the default).
struct StoredSetting {
  const wchar_t* name;
  uint32_t value;
};
constexpr StoredSetting kConfiguration[] = {
    {L"DoAutoCut", 1},      {L"AutoCut", 1},        {L"CutInterval", 2},
    {L"Buzzer", 1},         {L"Pause", 0},          {L"TimeFormatChooseFromPreset", 1},
    {L"TimeFormatDate", 3}, {L"TimeFormatTime", 1},
};

// ---- Host bitmaps, drawn with GDI ----------------------------------------------------

void FillBox(HDC dc, RECT rect, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(dc, &rect, brush);
  ::DeleteObject(brush);
}

void PaintText(HDC dc, int x, int y, const wchar_t* text, int height, COLORREF colour) {
  HFONT font = ::CreateFontW(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colour);
  ::TextOutW(dc, x, y, text, static_cast<int>(std::wcslen(text)));
  ::SelectObject(dc, old);
  ::DeleteObject(font);
}

// The bitmaps of the jobs and the memory DC the host hands over with them; a bitmap is
// drawn on that DC and deselected again before the plug-in reads it.
class Canvas {
 public:
  Canvas() : dc_(::CreateCompatibleDC(nullptr)) {}
  ~Canvas() {
    for (HBITMAP bitmap : bitmaps_) ::DeleteObject(bitmap);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return dc_; }

  // A 24-bit DIB section, white before `draw` runs.
  HBITMAP Colour(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return Draw(::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0), width, height, draw);
  }
  // A 1-bit bitmap, white before `draw` runs; GDI draws on it in black and white.
  HBITMAP Mono(int width, int height, const std::function<void(HDC)>& draw) {
    return Draw(::CreateBitmap(width, height, 1, 1, nullptr), width, height, draw);
  }

 private:
  HBITMAP Draw(HBITMAP bitmap, int width, int height, const std::function<void(HDC)>& draw) {
    if (bitmap == nullptr) return nullptr;
    bitmaps_.push_back(bitmap);
    HGDIOBJ old = ::SelectObject(dc_, bitmap);
    FillBox(dc_, {0, 0, width, height}, RGB(255, 255, 255));
    draw(dc_);
    ::GdiFlush();
    ::SelectObject(dc_, old);
    return bitmap;
  }

  HDC dc_;
  std::vector<HBITMAP> bitmaps_;
};

// What is the same on every label: a frame, a coloured block with a caption, a line of text.
HBITMAP DrawBase(Canvas& canvas) {
  return canvas.Colour(1100, 560, [](HDC dc) {
    FillBox(dc, {0, 0, 1100, 8}, RGB(0, 0, 0));
    FillBox(dc, {0, 552, 1100, 560}, RGB(0, 0, 0));
    FillBox(dc, {0, 0, 8, 560}, RGB(0, 0, 0));
    FillBox(dc, {1092, 0, 1100, 560}, RGB(0, 0, 0));
    FillBox(dc, {30, 30, 330, 230}, RGB(0, 120, 200));
    PaintText(dc, 60, 100, L"ZOV", 70, RGB(255, 255, 255));
    PaintText(dc, 370, 40, L"Sample label", 64, RGB(20, 20, 20));
    PaintText(dc, 370, 130, L"KD-V62x0, 50 x 25 mm", 40, RGB(200, 30, 30));
  });
}

// The variable part of label `number`: the number on a background of its own.
HBITMAP DrawNumber(Canvas& canvas, int number) {
  return canvas.Colour(240, 120, [number](HDC dc) {
    FillBox(dc, {0, 0, 240, 120}, RGB(255, 230 - 20 * (number % 5), 120));
    const std::wstring text = L"No " + std::to_wstring(number);
    PaintText(dc, 14, 28, text.c_str(), 56, RGB(0, 0, 0));
  });
}

HBITMAP DrawStart(Canvas& canvas) {
  return canvas.Colour(1100, 300, [](HDC dc) {
    FillBox(dc, {0, 0, 1100, 300}, RGB(30, 160, 60));
    PaintText(dc, 40, 110, L"START of the sample job", 64, RGB(255, 255, 255));
  });
}

HBITMAP DrawEnd(Canvas& canvas) {
  return canvas.Mono(1100, 300, [](HDC dc) {
    FillBox(dc, {0, 0, 1100, 40}, RGB(0, 0, 0));
    PaintText(dc, 40, 118, L"END of the sample job", 64, RGB(0, 0, 0));
  });
}

// ---- Jobs as lists of steps ---------------------------------------------------------

// One host call: its description, and the call itself giving the result (none for the
// operations without one).
struct Step {
  std::string call;
  std::function<std::optional<bool>()> run;
};

// Records the host keeps alive for the whole job.
struct HostRecords {
  plugin::HostSettingsRecord settings{};
  plugin::HostExtraRecord extra{};
};

struct JobSettings {
  int16_t resolution;
  plugin::HostPageSize page;
  int32_t orientation, columnPitch, rowPitch, paperWidth, paperHeight, leftMargin, topMargin, labelTotal, columns,
      rows;  // lengths in tenths of a millimetre
};

std::string Point(HostPoint at) { return "(" + std::to_string(at.x) + ", " + std::to_string(at.y) + ")"; }

// Builds a job's steps on one object; the texts and points are kept by the steps.
class Job {
 public:
  Job(plugin::IPlugin2& object, HANDLE printer, Canvas& canvas, const JobSettings& settings)
      : p_(object), printer_(printer), canvas_(canvas), settings_(settings) {
    std::memcpy(records_.settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &settings.resolution,
                sizeof settings.resolution);
  }

  const std::vector<Step>& Steps() const { return steps_; }

  void Initialize() {
    Add("vpiInitialize(printer, settings @ " + std::to_string(settings_.resolution) + " dpi, extra)", [this] {
      p_.vpiInitialize(printer_, &records_.settings, &records_.extra);
      return std::optional<bool>();
    });
  }
  void Header() {
    Add("vpiWritePrintJobHeader(" + std::to_string(settings_.page.width) + " x " +
            std::to_string(settings_.page.height) + " px)",
        [this] { return p_.vpiWritePrintJobHeader(&settings_.page); });
  }
  void Layout() {
    const JobSettings& j = settings_;
    char call[200];
    std::snprintf(call, sizeof call, "vpiSendLayoutData(%d, 0, 0, %d, %d, %d, %d, %d, %d, %d, %d, %d)", j.orientation,
                  j.columnPitch, j.rowPitch, j.paperWidth, j.paperHeight, j.leftMargin, j.topMargin, j.labelTotal,
                  j.columns, j.rows);
    Add(call, [this, &j] {
      p_.vpiSendLayoutData(j.orientation, 0, 0, j.columnPitch, j.rowPitch, j.paperWidth, j.paperHeight, j.leftMargin,
                           j.topMargin, j.labelTotal, j.columns, j.rows);
      return std::optional<bool>();
    });
  }
  // The bitmap is drawn when the step is built and read by the plug-in when it runs.
  void SendBitmap(HBITMAP bitmap, const std::string& what, const std::string& name) {
    HDC dc = canvas_.Dc();
    Add("vpiSendBitmap(dc, " + what + ", \"" + name + "\")",
        [this, dc, bitmap, name] { return p_.vpiSendBitmap(dc, bitmap, name.c_str()); });
  }
  void StartLabel(HostPoint at) {
    Add("vpiReferToStartLabel(" + Point(at) + ", tag)", [this, at] { return p_.vpiReferToStartLabel(&at, tag_); });
  }
  void EndLabel(HostPoint at) {
    Add("vpiReferToEndLabel(" + Point(at) + ", tag)", [this, at] { return p_.vpiReferToEndLabel(&at, tag_); });
  }
  void NewPage(const std::string& what) {
    Add("vpiCreateNewPage()  [" + what + "]", [this] { return p_.vpiCreateNewPage(); });
  }
  void Base(int label) {
    Add("vpiReferToBaseBitmap()  [label " + std::to_string(label) + "]", [this] { return p_.vpiReferToBaseBitmap(); });
  }
  void Variable(HostPoint at) {
    Add("vpiReferToVariableBitmap(tag, " + Point(at) + ")",
        [this, at] { return p_.vpiReferToVariableBitmap(tag_, &at); });
  }
  void Text(const std::wstring& text, HostPoint at, int32_t size) {
    Add("vpiWriteText(\"" + Narrow(text) + "\", " + Point(at) + ", " + std::to_string(size) + ", tag)",
        [this, text, at, size] { return p_.vpiWriteText(text.c_str(), &at, size, tag_); });
  }
  void Text2(const std::wstring& text, HostPoint at, int32_t size, uint32_t colour) {
    char colourText[16];
    std::snprintf(colourText, sizeof colourText, "0x%06X", static_cast<unsigned>(colour));
    Add("vpiWriteText2(\"" + Narrow(text) + "\", " + Point(at) + ", " + std::to_string(size) + ", tag, " + colourText +
            ")",
        [this, text, at, size, colour] { return p_.vpiWriteText2(text.c_str(), &at, size, tag_, colour); });
  }
  void Clock(HostPoint at, int32_t size) {
    Add("vpiWriteClock(tag, " + Point(at) + ", " + std::to_string(size) + ", tag)",
        [this, at, size] { return p_.vpiWriteClock(tag_, &at, size, tag_); });
  }
  void CloseStatic(int32_t quantity) {
    Add("vpiCloseNewPageStatic(" + std::to_string(quantity) + ")",
        [this, quantity] { return p_.vpiCloseNewPageStatic(quantity); });
  }
  void CloseDynamic(int32_t labels) {
    Add("vpiCloseNewPageDynamic(" + std::to_string(labels) + ")",
        [this, labels] { return p_.vpiCloseNewPageDynamic(labels); });
  }
  void Final() {
    Add("vpiCloseNewPageFinal()", [this] { return p_.vpiCloseNewPageFinal(); });
  }
  void WritePrinter() {
    Add("vpiWritePrinter()", [this] { return p_.vpiWritePrinter(); });
  }

 private:
  void Add(std::string call, std::function<std::optional<bool>()> run) {
    steps_.push_back({std::move(call), std::move(run)});
  }

  plugin::IPlugin2& p_;
  HANDLE printer_;
  Canvas& canvas_;
  JobSettings settings_;
  HostRecords records_;
  int hostData_ = 0;
  void* tag_ = &hostData_;  // the host's opaque pointers: non-null, never read
  std::vector<Step> steps_;
};

// 10 labels of 50 x 25 mm, 2 across and 2 down on a 100 x 50 mm page (2362 x 1181 pixels
// at 600 dpi). The margins of 2.0 and 1.0 mm are 47 and 24 pixels, the pitches 1181 and 591.
constexpr JobSettings kJob1{600, {2362, 1181}, 0, 500, 250, 1000, 500, 20, 10, 10, 2, 2};
// A valid page at an unsupported resolution: 787 x 400 pixels at 200 dpi.
constexpr JobSettings kJob2{200, {787, 400}, 0, 1000, 500, 1000, 500, 20, 10, 1, 1, 1};

void BuildJob1(Job& job, Canvas& canvas) {
  const JobSettings& j = kJob1;
  job.Initialize();
  job.Header();
  job.Layout();
  job.SendBitmap(DrawBase(canvas), "base 1100 x 560, 24-bit", "LABEL_BASE");
  job.SendBitmap(DrawStart(canvas), "start label 1100 x 300, 24-bit", "JOB_START");
  job.StartLabel({47, 24});
  const int32_t perSheet = j.columns * j.rows;
  for (int32_t label = 1; label <= j.labelTotal; ++label) {
    const int32_t position = (label - 1) % perSheet;
    if (position == 0) job.NewPage("sheet " + std::to_string(label / perSheet + 1));
    // The label's top left in host pixels.
    const int32_t x = position % j.columns * 1181 + 47;
    const int32_t y = position / j.columns * 591 + 24;
    job.Base(label);
    job.SendBitmap(DrawNumber(canvas, label), "number " + std::to_string(label) + " 240 x 120, 24-bit", "NUMBER");
    job.Variable({x + 820, y + 300});
    job.Text(L"Grüße aus Köln", {x + 40, y + 300}, 40);
    job.Text2(L"日本 " + std::to_wstring(label), {x + 40, y + 370}, 48, 0x2020C0);
    job.Clock({x + 40, y + 460}, 32);
    if (position == perSheet - 1 || label == j.labelTotal) {
      job.CloseDynamic(label);
      job.Final();
    }
  }
  job.SendBitmap(DrawEnd(canvas), "end label 1100 x 300, 1-bit", "JOB_END");
  job.EndLabel({47, 24});
  job.WritePrinter();
}

void BuildJob2(Job& job) {
  job.Initialize();
  job.Header();  // sends the header with the error label at once
  job.Layout();
  job.NewPage("the only page");
  job.Text(L"never printed", {100, 100}, 30);
  job.CloseStatic(1);
  job.Final();
  job.WritePrinter();  // an invalid job: the page is dropped
}

std::wstring DefaultOutput() { return win_tools::ExecutableFolder() + L"\\..\\demo\\sample_job.prn"; }

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool StoreConfiguration(HANDLE printer) {
  for (const StoredSetting& setting : kConfiguration) {
    DWORD value = setting.value;
    if (::SetPrinterDataExW(printer, kConfigKey, setting.name, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                            sizeof value) != ERROR_SUCCESS) {
      std::printf("error: SetPrinterDataExW(%s) failed\n", Narrow(setting.name).c_str());
      return false;
    }
    std::printf("printer data %s = %u\n", Narrow(setting.name).c_str(), setting.value);
  }
  return true;
}

// Runs one job on an object of its own; returns the calls that reported false.
std::vector<std::string> RunJob(const win_tools::PluginLibrary& library, const char* title,
                                const std::function<void(Job&)>& build, HANDLE printer, Canvas& canvas,
                                const JobSettings& settings, size_t& calls) {
  std::printf("\n%s\n", title);
  auto* object = static_cast<plugin::IPlugin2*>(library.Create());
  std::printf("CreatePluginObject() -> %p\n", static_cast<void*>(object));
  if (object == nullptr) return {"CreatePluginObject()"};
  Job job(*object, printer, canvas, settings);
  build(job);
  std::vector<std::string> failed;
  for (const Step& step : job.Steps()) {
    const std::optional<bool> result = step.run();
    std::printf("%s -> %s\n", step.call.c_str(), !result.has_value() ? "(no result)" : *result ? "true" : "false");
    if (result.has_value() && !*result) failed.push_back(step.call);
  }
  library.Delete(object);
  std::printf("DeletePluginObject(object)\n");
  calls += job.Steps().size();
  return failed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 2 || (argc == 2 && (std::wcscmp(argv[1], L"-h") == 0 || std::wcscmp(argv[1], L"--help") == 0))) {
    std::printf("usage: sample_job.exe [OUTPUT.prn]\n");
    return argc > 2 ? 1 : 0;
  }
  const std::wstring output = argc == 2 ? std::wstring(argv[1]) : DefaultOutput();
  const std::wstring folder = FolderOf(output);
  if (!folder.empty() && !win_tools::CreateFolders(folder)) {
    std::printf("error: cannot create the folder %s\n", Narrow(folder).c_str());
    return 3;
  }

  win_tools::PluginLibrary library;
  if (!library.Loaded()) {
    std::printf("error: %s\n", library.Error().c_str());
    return 2;
  }
  std::printf("loaded %s\n", Narrow(library.Path()).c_str());

  win_tools::WinePrinter printer(kPrinterName);
  if (!printer.Create()) {
    std::printf("error: %s\n", printer.LastError().c_str());
    return 3;
  }
  if (!StoreConfiguration(printer.Handle())) return 3;
  // Both jobs go into one document, so the output file holds them one after the other.
  if (!printer.StartDocument(output, L"ZOV sample jobs")) {
    std::printf("error: %s\n", printer.LastError().c_str());
    return 3;
  }
  std::printf("printer \"%s\" on FILE:, output %s\n", Narrow(printer.Name()).c_str(), Narrow(output).c_str());

  Canvas canvas;
  size_t calls = 0;
  std::vector<std::string> failed = RunJob(
      library, "job 1: 10 labels, 2 x 2 at 600 dpi, start and end label, the last sheet half used",
      [&canvas](Job& job) { BuildJob1(job, canvas); }, printer.Handle(), canvas, kJob1, calls);
  const std::vector<std::string> failed2 = RunJob(library, "job 2: an invalid job at 200 dpi, its error label printed",
                                                  BuildJob2, printer.Handle(), canvas, kJob2, calls);
  failed.insert(failed.end(), failed2.begin(), failed2.end());

  if (!printer.EndDocument()) {
    std::printf("error: %s\n", printer.LastError().c_str());
    return 3;
  }
  const std::string bytes = win_tools::ReadFileBytes(output);
  std::printf("\nEndDocPrinter: %zu bytes in %s\n", bytes.size(), Narrow(output).c_str());
  if (!printer.Delete()) std::printf("warning: %s\n", printer.LastError().c_str());

  std::printf("%zu calls, %zu returned false\n", calls, failed.size());
  for (const std::string& call : failed) std::printf("  false: %s\n", call.c_str());
  return 0;
}
