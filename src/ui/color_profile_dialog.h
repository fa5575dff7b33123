// ColorProfileDialog: the modal dialog (template 131, "Advenced") over the colour block
// that ConfigDialog holds. The block changes only on the dialog's own OK.
#pragma once

#include <windows.h>

#include "ui/dialog_values.h"

namespace ui {

class ColorProfileDialog {
 public:
  ColorProfileDialog(HWND owner, ColorProfileValues& values) : owner_(owner), values_(values) {}
  ColorProfileDialog(const ColorProfileDialog&) = delete;
  ColorProfileDialog& operator=(const ColorProfileDialog&) = delete;

  INT_PTR RunModal();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Command(int id);
  HWND Item(int id) const { return ::GetDlgItem(window_, id); }

  bool Initialise();
  void EnableGroupOf(int checkBox, bool enabled);
  void Toggle(int checkBox);
  void RestoreDefaults();
  void Confirm();

  HWND owner_;
  ColorProfileValues& values_;
  HWND window_ = nullptr;
};

}  // namespace ui
