// A hostile host against the real DLL: the layouts and bitmaps that once crashed, hung or
// printed noise, each driven in a child process of this executable (--case N) so that a
// crash or a runaway call costs only the child. The parent checks that the child ended
// by itself with 0 (its results as decided) within a generous hang guard; the child
// checks its own peak memory.
#include <windows.h>
#include <winspool.h>
// psapi.h and shlobj.h need windows.h first
#include <psapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "native/imaging/png_decode.h"
#include "stream/command_stream.h"
#include "common/win_files.h"
#include "common/wine_printer.h"
#include "win/plugin/plugin_fixture.h"

namespace kdv_test {
namespace {

constexpr DWORD kHangGuardMilliseconds = 120000;
constexpr SIZE_T kMemoryBound = SIZE_T{1} << 30;

// ---- The child: one case against the DLL ----------------------------------------------

int Fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  return 1;
}

size_t Count(const std::string& bytes, const std::string& what) {
  size_t count = 0;
  for (size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) ++count;
  return count;
}

// A job through the slot table, printed into a Wine printer of its own with the
// job forced out (ForcePrinting set, PrintError clear) so its bytes can be read.
class HostileHost {
 public:
  HostileHost() : printer_(L"ZOV Hostile Host " + std::to_wstring(GetCurrentProcessId())) {}
  ~HostileHost() {
    if (object_ != nullptr) library_.Delete(object_);
    printer_.Delete();
  }

  bool Start(bool forced) {
    if (!library_.Loaded() || !printer_.Create()) return false;
    for (const auto& [name, value] : {std::pair{L"Override", 0u}, std::pair{L"PrintError", forced ? 0u : 1u},
                                      std::pair{L"ForcePrinting", forced ? 1u : 0u}}) {
      DWORD data = value;
      if (SetPrinterDataExW(printer_.Handle(), L"ORVEX_KD-V62x0G_Config", name, REG_DWORD,
                            reinterpret_cast<BYTE*>(&data), sizeof data) != ERROR_SUCCESS)
        return false;
    }
    output_ = win_tools::TempFilePath(L"zov-hostile");
    DeleteFileW(output_.c_str());
    if (!printer_.StartDocument(output_)) return false;
    object_ = library_.Create();
    if (object_ == nullptr) return false;
    const SettingsRecord settings = SettingsWithResolution(600);
    SlotOf<slot::Initialize>(object_, 2)(object_, printer_.Handle(), &settings, nullptr);
    const PageSize page{2362, 1181};
    return SlotOf<slot::WritePrintJobHeader>(object_, 10)(object_, &page);
  }
  // Zero pitch, a valid left margin (5 mm).
  void Layout(int32_t columns, int32_t rows) {
    SlotOf<slot::SendLayoutData>(object_, 18)(object_, 0, 0, 0, 0, 0, 1000, 500, 50, 0, 10, columns, rows);
  }
  bool Send(HBITMAP bitmap, const char* name) {
    return SlotOf<slot::SendBitmap>(object_, 3)(object_, dc_, bitmap, name);
  }
  bool Call(int slotIndex) { return SlotOf<slot::NoArguments>(object_, slotIndex)(object_); }
  bool Close(int slotIndex, int32_t count) { return SlotOf<slot::WithCount>(object_, slotIndex)(object_, count); }
  bool Variable(Point at) { return SlotOf<slot::ReferToVariableBitmap>(object_, 6)(object_, &tag_, &at); }
  // Sends what is left, ends the document and returns the printer's bytes.
  std::string Finish() {
    Call(21);
    printer_.EndDocument();
    return win_tools::ReadFileBytes(output_);
  }
  HDC Dc() const { return dc_; }

 private:
  win_tools::PluginLibrary library_;
  win_tools::WinePrinter printer_;
  std::wstring output_;
  void* object_ = nullptr;
  HDC dc_ = CreateCompatibleDC(nullptr);
  int tag_ = 0;
};

// A bitmap of `bits` per pixel (a palette of black, white and the primaries for 4 and
// 8 bits) with a red block on white and a blue bar; 0 when GDI refuses it.
HBITMAP Drawn(HDC dc, int bits) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[16];
  } info{};
  info.header = {sizeof(BITMAPINFOHEADER), 24, 12, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
  const RGBQUAD palette[] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}};
  if (bits <= 8) {
    std::copy(std::begin(palette), std::end(palette), info.colours);
    info.header.biClrUsed = 5;
  }
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  const auto fill = [&](RECT rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  };
  fill({0, 0, 24, 12}, RGB(255, 255, 255));
  fill({2, 2, 10, 8}, RGB(255, 0, 0));
  fill({0, 10, 24, 12}, RGB(0, 0, 255));
  SelectObject(dc, previous);
  return bitmap;
}

// The colour drawn at (x, y) by Drawn().
uint32_t DrawnRgb(int x, int y) {
  if (y >= 10) return 0x0000FF;
  if (x >= 2 && x < 10 && y >= 2 && y < 8) return 0xFF0000;
  return 0xFFFFFF;
}

// Case 1: columns x rows wrap to 0 in 32 bits; the static closings once divided by it.
int CaseWrappedSheet() {
  HostileHost host;
  if (!host.Start(false)) return Fail("job start");
  host.Layout(65536, 65536);
  for (int page = 0; page < 2; ++page) {
    if (!host.Call(4) || !host.Close(7, 3) || !host.Call(9)) return Fail("page " + std::to_string(page));
  }
  const std::string bytes = host.Finish();
  // Invalid: the margin path's error label (without a line of its own) and nothing else.
  if (bytes.find("^PQ") != std::string::npos) return Fail("the invalid job's pages were printed");
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  const std::string log =
      win_tools::ReadFileBytes(std::wstring(folder) + L"\\ORVEX\\ORVEX_ZOV\\ZOV_PLUGIN_KD-V62x0G.log");
  if (log.find(",vpiSendLayoutData,Invlid Labels Per Sheet: 4294967296 (at most 10000)\r\n") == std::string::npos)
    return Fail("no log entry for the count");
  return 0;
}

// Case 2: -1 columns (4294967295), and a 20000 x 20000 grid, printed anyway: masking and
// tiling stop at 10,000 positions.
int CaseUnboundedGrid() {
  HBITMAP base = nullptr;
  {
    HostileHost host;
    if (!host.Start(true)) return Fail("job start");
    host.Layout(-1, 1);
    base = Drawn(host.Dc(), 24);
    if (base == nullptr || !host.Send(base, "BASE")) return Fail("base");
    if (!host.Call(4) || !host.Close(8, 10) || !host.Call(9)) return Fail("dynamic page");
    const size_t boxes = Count(host.Finish(), ",W,0^FS");
    if (boxes != 10000) return Fail("white boxes: " + std::to_string(boxes));
  }
  {
    HostileHost host;
    if (!host.Start(true)) return Fail("job start");
    host.Layout(20000, 20000);
    if (!host.Send(base, "BASE")) return Fail("base");
    const size_t recalls = Count(host.Finish(), "^IMR:BASE.PNG^FS");
    if (recalls != 10000) return Fail("recalls: " + std::to_string(recalls));
  }
  DeleteObject(base);
  return 0;
}

// Case 5: bitmaps of 4, 8, 16 and 32 bits per pixel print as drawn (RGB downloads).
int CaseOtherDepths() {
  for (int bits : {4, 8, 16, 32}) {
    HostileHost host;
    if (!host.Start(true)) return Fail("job start");
    host.Layout(1, 1);
    HBITMAP bitmap = Drawn(host.Dc(), bits);
    if (bitmap == nullptr) return Fail("no bitmap of " + std::to_string(bits) + " bits");
    const bool placed = host.Send(bitmap, "NUMBER") && host.Call(4) && host.Variable({100, 10}) && host.Call(9);
    DeleteObject(bitmap);
    if (!placed) return Fail("placing " + std::to_string(bits) + " bits");
    std::vector<uint8_t> png;
    for (const auto& command : label_stream::ReadCommandStream(host.Finish()).commands)
      if (command.download && command.name == "DYNAMIC") png.assign(command.payload.begin(), command.payload.end());
    const auto decoded = imaging_test::DecodePng(png);
    if (!decoded.ok || decoded.colourType != 2 || decoded.width != 24 || decoded.height != 12)
      return Fail(std::to_string(bits) + " bits: not a 24 x 12 RGB download");
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 24; ++x) {
        const uint8_t* p = &decoded.rows[y][3 * x];
        const uint32_t want = DrawnRgb(x, y);
        for (int c = 0; c < 3; ++c) {
          const int expected = (want >> (16 - 8 * c)) & 0xFF;
          if (std::abs(p[c] - expected) > 8)
            return Fail(std::to_string(bits) + " bits: pixel " + std::to_string(x) + "," + std::to_string(y));
        }
      }
  }
  return 0;
}

int RunCase(int number) {
  int result = 2;
  switch (number) {
    case 1: result = CaseWrappedSheet(); break;
    case 2: result = CaseUnboundedGrid(); break;
    case 5: result = CaseOtherDepths(); break;
    default: return Fail("no such case");
  }
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return Fail("memory counters");
  std::printf("case %d: peak working set %zu KiB, peak commit %zu KiB\n", number, memory.PeakWorkingSetSize / 1024,
              memory.PeakPagefileUsage / 1024);
  if (memory.PeakWorkingSetSize >= kMemoryBound || memory.PeakPagefileUsage >= kMemoryBound)
    return Fail("memory past 1 GiB");
  return result;
}

// ---- The parent: one child per case ---------------------------------------------------

// Runs this executable with --case N; its exit code, or STILL_ACTIVE when the hang guard ended it.
DWORD RunChild(int number) {
  std::wstring command = L"\"" + win_tools::ExecutableFolder() + L"\\hostile_host_test.exe\" --case " +
                         std::to_wstring(number);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  CloseHandle(process.hThread);
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, kHangGuardMilliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, STILL_ACTIVE);
  }
  CloseHandle(process.hProcess);
  return code;
}

class HostileHostTest : public ::testing::TestWithParam<int> {};

TEST_P(HostileHostTest, EndsByItselfWithTheDecidedResults) {
  const DWORD code = RunChild(GetParam());
  EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "hung: ended by the hang guard";
  EXPECT_EQ(code, 0u) << std::hex << "exit code 0x" << code;
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileHostTest, ::testing::Values(1, 2, 5));

}  // namespace
}  // namespace kdv_test

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--case") return kdv_test::RunCase(std::atoi(argv[2]));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
