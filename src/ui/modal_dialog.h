// ModalDialog: a modal dialog over a template of this module. Its dialog procedure
// hands WM_INITDIALOG to Initialise and WM_COMMAND to Command, and keeps every
// exception inside (none may cross the dialog manager).
#pragma once

#include <windows.h>

namespace ui {

class ModalDialog {
 public:
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Runs the dialog modally; the result of EndDialog, or -1 when it could not be created.
  INT_PTR RunModal();

 protected:
  ModalDialog(int templateId, HWND owner) : owner_(owner), templateId_(templateId) {}
  ~ModalDialog() = default;

  // A failing step ends the initialisation; the dialog opens all the same.
  virtual bool Initialise() = 0;
  // True when the command was handled.
  virtual bool Command(int id, int code) = 0;

  HWND Item(int id) const { return ::GetDlgItem(window_, id); }

  HWND owner_;
  HWND window_ = nullptr;

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
};

}  // namespace ui
