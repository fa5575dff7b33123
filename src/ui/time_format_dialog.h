// TimeFormatDialog: the modal dialog (template 137) over the time format block that
// ConfigDialog holds: presets for date and time, or a manual format text. The block
// changes only on the dialog's own OK.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/dialog_values.h"
#include "ui/modal_dialog.h"

namespace ui {

class TimeFormatDialog final : public ModalDialog {
 public:
  TimeFormatDialog(HWND owner, TimeFormatValues& values);

 private:
  bool Initialise() override;
  bool Command(int id, int code) override;
  void EnableManualGroup(bool enabled);
  void ChoosePresets();
  void ChooseManual();
  void Confirm();

  TimeFormatValues& values_;
  // Held values: the side that is not shown.
  int32_t heldDate_;
  int32_t heldTime_;
  char16_t heldText_[config::kTimeFormatUnits];
};

}  // namespace ui
