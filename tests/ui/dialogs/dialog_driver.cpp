#include "dialog_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "../smoke/png_file.h"
#include "common/plugin_loader.h"
#include "common/win_files.h"

namespace dialog_testing {
namespace {

using win_tools::Narrow;

constexpr UINT kSendTimeout = 5000;

struct Search {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindCaption(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  if (::IsWindowVisible(window) && wcscmp(text, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOnThread(DWORD thread, const wchar_t* caption) {
  Search search{caption, nullptr};
  ::EnumThreadWindows(thread, &FindCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Closes every visible window of the thread, boxes and dialogs alike (Cancel where
// there is one, else the close command).
BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
  if (!::IsWindowVisible(window)) return TRUE;
  if (::GetDlgItem(window, IDCANCEL) != nullptr) {
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  } else {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

std::wstring ShotFolder() {
  const wchar_t* configured = _wgetenv(L"ZOV_UI_SHOTS");
  if (configured != nullptr && *configured != L'\0') return configured;
  return win_tools::ExecutableFolder() + L"\\..\\ui-shots";
}

}  // namespace

HWND Driver::WaitFor(const wchar_t* caption, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  do {
    if (HWND found = FindOnThread(thread_, caption)) {
      ::Sleep(50);  // let it finish its initialisation and first paint
      return found;
    }
    ::Sleep(20);
  } while (::GetTickCount() - start < milliseconds);
  ADD_FAILURE() << "no window \"" << Narrow(caption) << "\" appeared";
  return nullptr;
}

bool Driver::Appears(const wchar_t* caption, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  do {
    if (FindOnThread(thread_, caption) != nullptr) return true;
    ::Sleep(20);
  } while (::GetTickCount() - start < milliseconds);
  return false;
}

bool Driver::WaitGone(HWND window, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::IsWindow(window)) {
    if (::GetTickCount() - start >= milliseconds) {
      ADD_FAILURE() << "window \"" << Narrow(Text(window)) << "\" did not close";
      return false;
    }
    ::Sleep(20);
  }
  // The code that opened it goes on once it is destroyed: give that a moment to finish.
  ::Sleep(150);
  return true;
}

LRESULT Driver::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeout, &result)) {
    ADD_FAILURE() << "message " << message << " to a window of the dialog thread was not handled in time";
    return 0;
  }
  return static_cast<LRESULT>(result);
}

void Driver::Click(HWND dialog, int id) { Send(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Driver::PostClick(HWND dialog, int id) { ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Driver::Select(HWND dialog, int id, int index) {
  HWND list = ::GetDlgItem(dialog, id);
  Send(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Send(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Driver::PostSelect(HWND dialog, int id, int index) {
  HWND list = ::GetDlgItem(dialog, id);
  Send(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Driver::Focus(HWND dialog, int id) {
  Send(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, id)), TRUE);
}

void Driver::Type(HWND dialog, int id, const std::wstring& text) {
  Send(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Driver::Answer(HWND box, int button) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
}

std::wstring Driver::Text(HWND window) {
  const auto length = static_cast<int>(Send(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const auto copied = static_cast<size_t>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(copied < text.size() ? copied : 0);
  return text;
}

std::wstring Driver::Text(HWND dialog, int id) { return Text(::GetDlgItem(dialog, id)); }

bool Driver::Checked(HWND dialog, int id) {
  return Send(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Driver::Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

bool Driver::Visible(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }

int Driver::Selection(HWND dialog, int id) {
  return static_cast<int>(Send(::GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}

int Driver::Position(HWND dialog, int id) {
  return static_cast<int>(Send(::GetDlgItem(dialog, id), TBM_GETPOS, 0, 0));
}

void Driver::Screenshot(HWND window, const std::wstring& name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::Sleep(300);
  RECT client{};
  ::GetClientRect(window, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  ASSERT_GT(width, 0);
  ASSERT_GT(height, 0);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  HDC source = ::GetDC(window);
  ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  ::ReleaseDC(window, source);
  ::GdiFlush();

  const std::wstring folder = ShotFolder();
  EXPECT_TRUE(win_tools::CreateFolders(folder)) << Narrow(folder);
  const std::wstring path = folder + L"\\" + name + L".png";
  EXPECT_TRUE(ui_smoke::WritePng(path, static_cast<const uint32_t*>(bits), width, height)) << Narrow(path);
  std::printf("screenshot: %s (%d x %d)\n", Narrow(path).c_str(), width, height);
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
}

ConfigRun RunConfigPlugin(const std::wstring& printerName, const std::function<void(Driver&)>& script,
                          DWORD graceMilliseconds) {
  using ConfigPlugin = int32_t (*)(void* self, const wchar_t* printerName);
  ConfigRun run;
  win_tools::PluginLibrary library;
  if (!library.Loaded()) {
    ADD_FAILURE() << library.Error();
    return run;
  }
  void* object = library.Create();
  if (object == nullptr) {
    ADD_FAILURE() << "CreatePluginObject returned null";
    return run;
  }
  const auto slot1 = reinterpret_cast<ConfigPlugin>((*static_cast<void* const* const*>(object))[1]);

  std::atomic<bool> returned{false};
  std::atomic<bool> closedStray{false};
  Driver driver(::GetCurrentThreadId());
  std::thread worker([&] {
    script(driver);
    // Watchdog: whatever the script left open is closed, again and again, until the call returns.
    const DWORD start = ::GetTickCount();
    while (!returned) {
      if (::GetTickCount() - start >= graceMilliseconds) {
        closedStray = true;
        ::EnumThreadWindows(driver.DialogThread(), &CloseWindow, 0);
      }
      ::Sleep(50);
    }
  });
  run.result = slot1(object, printerName.c_str());
  returned = true;
  worker.join();
  library.Delete(object);
  run.closedStrayWindows = closedStray;
  EXPECT_FALSE(run.closedStrayWindows) << "windows were still open after the script and had to be closed";
  return run;
}

}  // namespace dialog_testing
