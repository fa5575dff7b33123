#include "ui/modal_dialog.h"

#include <commctrl.h>

#include "platform/win32/module.h"

namespace ui {

INT_PTR ModalDialog::RunModal() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  return ::DialogBoxParamW(platform::win32::ThisModule(), MAKEINTRESOURCEW(templateId_), owner_, &Procedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModalDialog*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->window_ = window;
    try {
      self->Initialise();
    } catch (...) {
      // Running out of memory ends the initialisation like any other failing step.
    }
    return TRUE;
  }
  auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr || message != WM_COMMAND) return FALSE;
  try {
    return self->Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
  } catch (...) {
    return TRUE;
  }
}

}  // namespace ui
