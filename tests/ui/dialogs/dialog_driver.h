// Drives the configuration dialogs of the real DLL: vpiConfigPlugin (slot 1) runs on the
// test's thread while a script on a second thread finds the dialogs and message boxes
// of that thread and works them with window messages. Every wait is bounded, and a
// watchdog closes whatever is still open once the script is done, so no test can hang.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace dialog_testing {

inline constexpr wchar_t kConfigTitle[] = L"KD-V62x0G Configuration";
inline constexpr wchar_t kColorTitle[] = L"Advenced";
inline constexpr wchar_t kTimeTitle[] = L"Date and Time Format";

class Driver {
 public:
  explicit Driver(DWORD dialogThread) : thread_(dialogThread) {}

  // The visible dialog or box of the dialog thread with this caption; null (and a test
  // failure) when none shows within `milliseconds`.
  HWND WaitFor(const wchar_t* caption, DWORD milliseconds = 10000);
  // Whether such a window shows within `milliseconds` (no failure either way).
  bool Appears(const wchar_t* caption, DWORD milliseconds);
  // Waits until `window` is destroyed and its opener has moved on; false (and a
  // failure) after `milliseconds`.
  bool WaitGone(HWND window, DWORD milliseconds = 10000);

  // Clicks that return once handled; for ones that open a box or a nested dialog use
  // PostClick, which returns at once.
  void Click(HWND dialog, int id);
  void PostClick(HWND dialog, int id);
  // Selects `index` in a list and notifies the dialog as a user's choice does
  // (PostSelect when the notification opens a box).
  void Select(HWND dialog, int id, int index);
  void PostSelect(HWND dialog, int id, int index);
  // Moves the keyboard focus to the control, as the dialog manager does for a user.
  void Focus(HWND dialog, int id);
  void Type(HWND dialog, int id, const std::wstring& text);
  // Answers a message box with one of its buttons.
  void Answer(HWND box, int button);

  std::wstring Text(HWND dialog, int id);
  std::wstring Text(HWND window);
  // The text of a message box.
  std::wstring BoxText(HWND box) { return Text(box, 0xFFFF); }
  bool Checked(HWND dialog, int id);
  bool Enabled(HWND dialog, int id);
  bool Visible(HWND dialog, int id);
  int Selection(HWND dialog, int id);
  int Position(HWND dialog, int id);
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Writes the client area of `window` as build/ui-shots/<name>.png.
  void Screenshot(HWND window, const std::wstring& name);

  DWORD DialogThread() const { return thread_; }

 private:
  DWORD thread_;
};

// One vpiConfigPlugin call on a fresh object of the loaded DLL, with `script` working
// the dialogs. After the script ends, windows still open after `graceMilliseconds` are
// closed and reported as a failure.
struct ConfigRun {
  int32_t result = -1;
  bool closedStrayWindows = false;
};
ConfigRun RunConfigPlugin(const std::wstring& printerName, const std::function<void(Driver&)>& script,
                          DWORD graceMilliseconds = 5000);

}  // namespace dialog_testing
