#include "ui/cancel_caption_hook.h"

#include <windows.h>

namespace ui {
namespace {

// Module-wide and unguarded: only one such box is open at a time, on the dialog's thread.
HHOOK configDialogHook = nullptr;
HHOOK colorProfileDialogHook = nullptr;

template <HHOOK* Handle>
LRESULT CALLBACK CancelCaptionProc(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = *Handle;
  if (code == HCBT_ACTIVATE) {
    ::SetDlgItemTextW(reinterpret_cast<HWND>(wParam), IDCANCEL, L"Cancel");
    if (hook != nullptr) ::UnhookWindowsHookEx(hook);
    *Handle = nullptr;
  }
  return ::CallNextHookEx(hook, code, wParam, lParam);
}

HHOOK* HandleOf(CancelCaptionHook which) {
  return which == CancelCaptionHook::ConfigDialog ? &configDialogHook : &colorProfileDialogHook;
}

}  // namespace

void InstallCancelCaptionHook(CancelCaptionHook which) {
  HHOOK* handle = HandleOf(which);
  // A hook whose box never activated would otherwise stay behind.
  if (*handle != nullptr) ::UnhookWindowsHookEx(*handle);
  const HOOKPROC procedure = which == CancelCaptionHook::ConfigDialog ? &CancelCaptionProc<&configDialogHook>
                                                                      : &CancelCaptionProc<&colorProfileDialogHook>;
  *handle = ::SetWindowsHookExW(WH_CBT, procedure, nullptr, ::GetCurrentThreadId());
}

}  // namespace ui
