// TimeFormatDialog: the modal dialog (template 137) over the time format block that
// ConfigDialog holds: presets for date and time, or a manual format text. The block
// changes only on the dialog's own OK.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/dialog_values.h"

namespace ui {

class TimeFormatDialog {
 public:
  TimeFormatDialog(HWND owner, TimeFormatValues& values);
  TimeFormatDialog(const TimeFormatDialog&) = delete;
  TimeFormatDialog& operator=(const TimeFormatDialog&) = delete;

  INT_PTR RunModal();

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Command(int id);
  HWND Item(int id) const { return ::GetDlgItem(window_, id); }

  bool Initialise();
  void EnableManualGroup(bool enabled);
  void ChoosePresets();
  void ChooseManual();
  void Confirm();

  HWND owner_;
  TimeFormatValues& values_;
  HWND window_ = nullptr;
  // Held values: the side that is not shown.
  int32_t heldDate_;
  int32_t heldTime_;
  char16_t heldText_[config::kTimeFormatUnits];
};

}  // namespace ui
