// The configuration dialog template of the real DLL under a virtual display: it
// creates with the common controls, holds every control the dialog code looks up,
// renders (a screenshot under build/ui-shots/ for people to look at), and closes.
// Also calls slot 1, vpiConfigPlugin, for a printer that does not exist.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "png_file.h"
#include "support/win/debug_trace_capture.h"
#include "common/plugin_loader.h"
#include "common/win_files.h"

namespace ui_smoke {
namespace {

using win_tools::Narrow;

constexpr int kConfigDialog = 101;

// Pumps the thread's messages for about `milliseconds`.
void Pump(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < milliseconds) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

INT_PTR CALLBACK SmokeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ::DestroyWindow(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  const int length = ::GetClassNameW(window, name, 64);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// Where screenshots go: $ZOV_UI_SHOTS, else build/ui-shots beside the build tree.
std::wstring ShotFolder() {
  const wchar_t* configured = _wgetenv(L"ZOV_UI_SHOTS");
  if (configured != nullptr && *configured != L'\0') return configured;
  return win_tools::ExecutableFolder() + L"\\..\\ui-shots";
}

// The client area's pixels as rendered on the display, top-down BGRX rows. (Without a
// window manager nobody draws the caption and frame, so they are left out.)
std::vector<uint32_t> Capture(HWND window, int* width, int* height) {
  RECT client{};
  ::GetClientRect(window, &client);
  *width = client.right - client.left;
  *height = client.bottom - client.top;
  std::vector<uint32_t> pixels;
  if (*width <= 0 || *height <= 0) return pixels;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = -*height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    HDC source = ::GetDC(window);
    ::BitBlt(memory, 0, 0, *width, *height, source, 0, 0, SRCCOPY);
    ::ReleaseDC(window, source);
    ::GdiFlush();
    const auto* begin = static_cast<const uint32_t*>(bits);
    pixels.assign(begin, begin + static_cast<size_t>(*width) * static_cast<size_t>(*height));
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  return pixels;
}

// The share of pixels, in per mille, that differ from the dialog background.
int DrawnPerMille(const std::vector<uint32_t>& pixels) {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const uint32_t background = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  size_t drawn = 0;
  for (uint32_t pixel : pixels) drawn += (pixel & 0xFFFFFF) != background ? 1 : 0;
  return pixels.empty() ? 0 : static_cast<int>(drawn * 1000 / pixels.size());
}

class ConfigDialogSmokeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);
  }
  void SetUp() override { ASSERT_TRUE(library_.Loaded()) << library_.Error(); }

  win_tools::PluginLibrary library_;
};

TEST_F(ConfigDialogSmokeTest, TemplateCreatesWithEveryRequiredControlAndRenders) {
  HWND dialog = ::CreateDialogParamW(library_.Module(), MAKEINTRESOURCEW(kConfigDialog), nullptr, &SmokeDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << "CreateDialogParamW(101) failed, error " << ::GetLastError();

  struct Control {
    int id;
    const wchar_t* windowClass;
  };
  // Every control the dialog code looks up when it opens (all but 1027, OK and Cancel).
  const Control required[] = {
      {1015, L"Static"}, {1024, L"Button"}, {1025, L"Button"}, {1006, L"Static"},
      {1001, L"ComboBox"}, {1019, L"Button"}, {1022, L"Button"}, {1018, L"Button"},
      {1039, L"Static"}, {1046, L"Edit"}, {1047, UPDOWN_CLASSW}, {1012, L"Static"},
      {1020, L"ComboBox"}, {1016, L"Static"}, {1026, L"ComboBox"}, {1049, L"Static"},
      {1043, TRACKBAR_CLASSW}, {1051, L"Static"}, {1052, L"Static"}, {1050, L"Static"},
      {1031, L"ComboBox"}, {1028, L"Button"}, {1029, L"Button"}, {1021, L"ComboBox"},
      {1038, L"Static"}, {1044, L"Edit"}, {1045, UPDOWN_CLASSW}, {1023, L"ComboBox"},
      {1030, L"ComboBox"}, {1013, L"Button"}, {1014, L"Button"},
  };
  static_assert(sizeof required / sizeof required[0] == 31);
  for (const Control& control : required) {
    SCOPED_TRACE(testing::Message() << "control " << control.id);
    HWND child = ::GetDlgItem(dialog, control.id);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(Narrow(ClassOf(child)), Narrow(control.windowClass));
  }
  // The up-down controls sit beside their edits as buddies.
  EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageW(::GetDlgItem(dialog, 1047), UDM_GETBUDDY, 0, 0)),
            ::GetDlgItem(dialog, 1046));
  EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageW(::GetDlgItem(dialog, 1045), UDM_GETBUDDY, 0, 0)),
            ::GetDlgItem(dialog, 1044));

  ::ShowWindow(dialog, SW_SHOW);
  ::SetForegroundWindow(dialog);
  ::UpdateWindow(dialog);
  Pump(500);

  int width = 0;
  int height = 0;
  const std::vector<uint32_t> pixels = Capture(dialog, &width, &height);
  ASSERT_FALSE(pixels.empty());
  // Texts, frames and fields cover a good part of a rendered dialog; a blank one is all background.
  const int drawn = DrawnPerMille(pixels);
  EXPECT_GE(drawn, 20) << "the captured dialog is nearly blank";

  const std::wstring folder = ShotFolder();
  ASSERT_TRUE(win_tools::CreateFolders(folder)) << Narrow(folder);
  const std::wstring shot = folder + L"\\config-dialog-template.png";
  EXPECT_TRUE(WritePng(shot, pixels.data(), width, height)) << Narrow(shot);
  std::printf("screenshot: %s (%d x %d, %d per mille drawn)\n", Narrow(shot).c_str(), width, height, drawn);

  ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  Pump(50);
  EXPECT_FALSE(::IsWindow(dialog));
}

// Closes the error box that vpiConfigPlugin shows for a printer it cannot open, and,
// as a safety net, any other window of the calling thread that is still up after 20 s.
class BoxCloser {
 public:
  explicit BoxCloser(DWORD ownerThread)
      : owner_(ownerThread), worker_([this] { Run(); }) {}
  BoxCloser(const BoxCloser&) = delete;
  BoxCloser& operator=(const BoxCloser&) = delete;
  ~BoxCloser() {
    stop_ = true;
    worker_.join();
  }
  bool SawErrorBox() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sawBox_;
  }
  std::string BoxText() const {
    std::lock_guard<std::mutex> guard(lock_);
    return boxText_;
  }
  bool ClosedOtherWindows() const { return closedOthers_; }

 private:
  static BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
    if (::IsWindowVisible(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
  }
  void Run() {
    const DWORD start = ::GetTickCount();
    while (!stop_) {
      HWND box = ::FindWindowW(L"#32770", L"Error");
      if (box != nullptr && ::GetWindowThreadProcessId(box, nullptr) == owner_) {
        wchar_t text[256] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 256);
        {
          std::lock_guard<std::mutex> guard(lock_);
          if (!sawBox_) boxText_ = Narrow(text);
          sawBox_ = true;
        }
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      } else if (::GetTickCount() - start > 20000) {
        closedOthers_ = true;
        ::EnumThreadWindows(owner_, &CloseWindow, 0);
      }
      ::Sleep(50);
    }
  }

  DWORD owner_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closedOthers_{false};
  mutable std::mutex lock_;
  bool sawBox_ = false;
  std::string boxText_;
  std::thread worker_;
};

TEST_F(ConfigDialogSmokeTest, ConfigPluginForAnUnknownPrinterReturnsOne) {
  using ConfigPlugin = int32_t (*)(void* self, const wchar_t* printerName);
  testing_support::DebugTraceCapture trace;
  void* object = library_.Create();
  ASSERT_NE(object, nullptr);
  const auto slot1 = reinterpret_cast<ConfigPlugin>((*static_cast<void* const* const*>(object))[1]);
  trace.Clear();
  int32_t result = -1;
  std::string boxText;
  bool sawBox = false;
  bool closedOthers = false;
  {
    BoxCloser closer(::GetCurrentThreadId());
    result = slot1(object, L"ZOV No Such Printer");
    sawBox = closer.SawErrorBox();
    boxText = closer.BoxText();
    closedOthers = closer.ClosedOtherWindows();
  }
  library_.Delete(object);

  EXPECT_EQ(result, 1);
  EXPECT_FALSE(closedOthers) << "a window other than the error box stayed open";
  if (sawBox) {
    EXPECT_EQ(boxText, "Cannot open the printer");
  }
  std::printf("vpiConfigPlugin(unknown printer) = %d, error box %s\n", result, sawBox ? "shown" : "not shown");
  const std::vector<std::string> lines = trace.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "vpiConfigPlugin(): start\n");
  for (const std::string& line : lines) EXPECT_NE(line, "MessageBox Error");
}

}  // namespace
}  // namespace ui_smoke
