// ColorProfileDialog: the modal dialog (template 131, "Advenced") over the colour block
// that ConfigDialog holds. The block changes only on the dialog's own OK.
#pragma once

#include <windows.h>

#include "ui/dialog_values.h"
#include "ui/modal_dialog.h"

namespace ui {

class ColorProfileDialog final : public ModalDialog {
 public:
  ColorProfileDialog(HWND owner, ColorProfileValues& values);

 private:
  bool Initialise() override;
  bool Command(int id, int code) override;
  void EnableGroupOf(int checkBox, bool enabled);
  void Toggle(int checkBox);
  void RestoreDefaults();
  void Confirm();

  ColorProfileValues& values_;
};

}  // namespace ui
