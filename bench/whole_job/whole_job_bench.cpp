// whole_job_bench.exe: a whole dynamic job through the real plug-in DLL under Wine, timed
// per phase. A 2 x 2 sheet of 50 x 25 mm labels at 600 dpi; every label has its own
// 1100 x 560 24-bit variable image (text-like: lines of GDI text on white; photo-like:
// smooth colour fields with grain), two texts and a clock. The host draws each image
// before the label; drawing is not timed. The job goes to a Wine printer on FILE:.
//
//   whole_job_bench.exe LABELS text|photo OUTPUT.prn [DLL-FOLDER]
//
// Prints one line "whole_job: key=value ..." with, per phase, the thread CPU ms per label
// (GetThreadTimes, summed over every call of the phase: Wine counts in 10 ms ticks, so
// the sums are estimates that sharpen with the number of labels), labels per second of
// plug-in CPU, and the bytes per label the printer receives. Waits half a second before
// it exits, so that a sampler outside sees the process at its peak.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "plugin/host_interface.h"

namespace {

using plugin::HostPoint;

constexpr wchar_t kPrinterName[] = L"ZOV Whole Job Bench";
constexpr wchar_t kDriverName[] = L"ZOV Whole Job Bench Driver";
constexpr int kWidth = 1100, kHeight = 560;

wchar_t* Mutable(const wchar_t* text) { return const_cast<wchar_t*>(text); }

// ---- time ---------------------------------------------------------------------------

double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

enum Phase { kSetup, kCapture, kEncode, kFields, kPages, kSpool, kPhaseCount };
const char* const kPhaseNames[] = {"setup", "capture", "encode", "fields", "pages", "spool"};
double phaseMs[kPhaseCount] = {};
int failures = 0;

// Runs one plug-in call and adds its thread CPU time to `phase`.
template <class Call>
void Timed(Phase phase, Call&& call) {
  const double start = ThreadCpuMs();
  bool ok = true;
  if constexpr (std::is_same_v<decltype(call()), bool>) {
    ok = call();
  } else {
    call();
  }
  phaseMs[phase] += ThreadCpuMs() - start;
  if (!ok) ++failures;
}

// ---- the printer --------------------------------------------------------------------

HANDLE CreatePrinter() {
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = Mutable(kDriverName);
  driver.pEnvironment = Mutable(L"Windows x64");
  driver.pDriverPath = driver.pDataFile = driver.pConfigFile = Mutable(L"wineps.drv");
  if (!::AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) &&
      ::GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    return nullptr;
  }
  PRINTER_INFO_2W info{};
  info.pPrinterName = Mutable(kPrinterName);
  info.pPortName = Mutable(L"FILE:");
  info.pDriverName = Mutable(kDriverName);
  info.pPrintProcessor = Mutable(L"winprint");
  info.pDatatype = Mutable(L"RAW");
  HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (added != nullptr) ::ClosePrinter(added);
  PRINTER_DEFAULTSW defaults{};
  defaults.DesiredAccess = PRINTER_ALL_ACCESS;
  HANDLE printer = nullptr;
  return ::OpenPrinterW(Mutable(kPrinterName), &printer, &defaults) ? printer : nullptr;
}

void RemovePrinter(HANDLE printer) {
  ::DeletePrinter(printer);
  ::ClosePrinter(printer);
}

// ---- the variable images ------------------------------------------------------------

// One 24-bit DIB section the host draws every label's image into.
struct Canvas {
  HDC dc = ::CreateCompatibleDC(nullptr);
  uint8_t* bits = nullptr;
  HBITMAP bitmap = nullptr;
  static constexpr int kStride = (3 * kWidth + 3) & ~3;

  Canvas() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<uint8_t*>(pixels);
  }
  ~Canvas() {
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
};

void DrawText(const Canvas& canvas, int label) {
  HGDIOBJ old = ::SelectObject(canvas.dc, canvas.bitmap);
  RECT all{0, 0, kWidth, kHeight};
  ::FillRect(canvas.dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  RECT frame{0, 0, kWidth, 6};
  ::FillRect(canvas.dc, &frame, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  HFONT font = ::CreateFontW(-44, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
  HGDIOBJ oldFont = ::SelectObject(canvas.dc, font);
  ::SetBkMode(canvas.dc, TRANSPARENT);
  const wchar_t* const lines[] = {L"Batch 4711-", L"Best before 12/2027, lot ", L"Net weight 250 g",
                                  L"Keep cool and dry", L"Serial "};
  for (int line = 0; line < 5; ++line) {
    const std::wstring text = lines[line] + std::to_wstring(label * 7 + line);
    ::TextOutW(canvas.dc, 24, 40 + 100 * line, text.c_str(), static_cast<int>(text.size()));
  }
  ::SelectObject(canvas.dc, oldFont);
  ::DeleteObject(font);
  ::GdiFlush();
  ::SelectObject(canvas.dc, old);
}

// Smooth colour fields that move from label to label, with a fine grain as in a photo.
void DrawPhoto(const Canvas& canvas, int label) {
  const double phase = label * 0.37;
  std::vector<double> sinU(kWidth), cosU(kWidth), sinV(kHeight), cosV(kHeight), green(kHeight);
  for (int x = 0; x < kWidth; ++x) {
    sinU[x] = std::sin(x / 180.0 + phase);
    cosU[x] = std::cos(x / 257.0 + phase);
  }
  for (int y = 0; y < kHeight; ++y) {
    sinV[y] = std::sin(y / 280.0);
    cosV[y] = std::cos(y / 140.0);
    green[y] = 128 + 80 * std::sin(y / 108.0 - phase);
  }
  uint32_t state = 0x9E3779B9u * static_cast<uint32_t>(label + 1);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = canvas.bits + static_cast<size_t>(y) * Canvas::kStride;
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const int grain = static_cast<int>(state >> 31);
      const double u = sinU[x] * cosV[y], w = cosU[x] * sinV[y];
      row[3 * x] = static_cast<uint8_t>(128 + 90 * u + grain);
      row[3 * x + 1] = static_cast<uint8_t>(green[y] + grain);
      row[3 * x + 2] = static_cast<uint8_t>(128 + 100 * w + grain);
    }
  }
  ::GdiFlush();
}

// ---- the job ------------------------------------------------------------------------

void RunJob(plugin::IPlugin2& p, HANDLE printer, const Canvas& canvas, int labels, bool photo) {
  plugin::HostSettingsRecord settings{};
  plugin::HostExtraRecord extra{};
  const int16_t dpi = 600;
  std::memcpy(settings.bytes + plugin::HostSettingsRecord::kResolutionOffset, &dpi, sizeof dpi);
  const plugin::HostPageSize page{2362, 1181};
  int hostData = 0;
  void* tag = &hostData;

  Timed(kSetup, [&] { p.vpiInitialize(printer, &settings, &extra); });
  Timed(kSetup, [&] { return p.vpiWritePrintJobHeader(&page); });
  Timed(kSetup, [&] { p.vpiSendLayoutData(0, 0, 0, 500, 250, 1000, 500, 20, 10, labels, 2, 2); });
  DrawText(canvas, 0);
  Timed(kSetup, [&] { return p.vpiSendBitmap(canvas.dc, canvas.bitmap, "LABEL_BASE"); });

  for (int label = 1; label <= labels; ++label) {
    const int position = (label - 1) % 4;
    if (position == 0) Timed(kPages, [&] { return p.vpiCreateNewPage(); });
    const int x = position % 2 * 1181 + 47, y = position / 2 * 591 + 24;
    Timed(kPages, [&] { return p.vpiReferToBaseBitmap(); });
    if (photo) {
      DrawPhoto(canvas, label);
    } else {
      DrawText(canvas, label);
    }
    Timed(kCapture, [&] { return p.vpiSendBitmap(canvas.dc, canvas.bitmap, "VARIABLE"); });
    const HostPoint imageAt{x, y}, textAt{x + 40, y + 300}, text2At{x + 40, y + 370}, clockAt{x + 40, y + 460};
    Timed(kEncode, [&] { return p.vpiReferToVariableBitmap(tag, &imageAt); });
    const std::wstring number = L"No " + std::to_wstring(label);
    Timed(kFields, [&] {
      return p.vpiWriteText(L"Lot 2026-12", &textAt, 40, tag) &&
             p.vpiWriteText2(number.c_str(), &text2At, 48, tag, 0x2020C0) && p.vpiWriteClock(tag, &clockAt, 32, tag);
    });
    if (position == 3 || label == labels) {
      Timed(kPages, [&] { return p.vpiCloseNewPageDynamic(label) && p.vpiCloseNewPageFinal(); });
    }
  }
  Timed(kSpool, [&] { return p.vpiWritePrinter(); });
}

std::wstring Folder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4 || argc > 5) {
    std::printf("usage: whole_job_bench.exe LABELS text|photo OUTPUT.prn [DLL-FOLDER]\n");
    return 1;
  }
  const int labels = std::max(1, _wtoi(argv[1]));
  const bool photo = std::wcscmp(argv[2], L"photo") == 0;
  const std::wstring output = argv[3];
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring dll = (argc == 5 ? std::wstring(argv[4]) : Folder(self)) + L"\\ZOV_PLUGIN_KDV6200.dll";

  HMODULE module = ::LoadLibraryW(dll.c_str());
  auto create = reinterpret_cast<void* (*)()>(reinterpret_cast<void*>(::GetProcAddress(module, "CreatePluginObject")));
  auto destroy =
      reinterpret_cast<void (*)(void*)>(reinterpret_cast<void*>(::GetProcAddress(module, "DeletePluginObject")));
  if (module == nullptr || create == nullptr || destroy == nullptr) {
    std::printf("error: cannot load the plug-in\n");
    return 2;
  }
  HANDLE printer = CreatePrinter();
  DOC_INFO_1W document{};
  document.pDocName = Mutable(L"whole job bench");
  document.pOutputFile = Mutable(output.c_str());
  document.pDatatype = Mutable(L"RAW");
  if (printer == nullptr || ::StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&document)) == 0) {
    std::printf("error: no printer (error %lu)\n", static_cast<unsigned long>(::GetLastError()));
    return 3;
  }

  Canvas canvas;
  auto* object = static_cast<plugin::IPlugin2*>(create());
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  RunJob(*object, printer, canvas, labels, photo);
  ::QueryPerformanceCounter(&end);
  destroy(object);
  ::EndDocPrinter(printer);
  RemovePrinter(printer);

  WIN32_FILE_ATTRIBUTE_DATA file{};
  ::GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &file);
  const double bytes = static_cast<double>((uint64_t{file.nFileSizeHigh} << 32) | file.nFileSizeLow);
  double total = 0;
  std::printf("whole_job: labels=%d image=%s", labels, photo ? "photo" : "text");
  for (int phase = 0; phase < kPhaseCount; ++phase) {
    std::printf(" %s_ms_per_label=%.3f", kPhaseNames[phase], phaseMs[phase] / labels);
    total += phaseMs[phase];
  }
  std::printf(" cpu_ms_per_label=%.3f labels_per_cpu_s=%.1f wall_s=%.2f bytes_per_label=%.0f failed_calls=%d\n",
              total / labels, labels * 1000.0 / total,
              static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart, bytes / labels, failures);
  std::fflush(stdout);
  ::Sleep(500);
  return failures == 0 ? 0 : 4;
}
