// ConfigDialog: the modal dialog (template 101) in which the user edits one printer's
// PrinterConfig. It works on a copy of the record and on held values of its own; OK
// writes the controls back into the copy and saves it, Cancel writes nothing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "config/printer_config.h"
#include "ui/dialog_values.h"
#include "ui/modal_dialog.h"

namespace ui {

class ConfigDialog final : public ModalDialog {
 public:
  ConfigDialog(const config::PrinterConfig& record, HWND owner);

 private:
  bool Initialise() override;
  bool Command(int id, int code) override;
  void HandleCommand(int id, int code);
  bool FillControls();
  void ShowValues();
  void EnablePrintSettings(bool enabled);

  void ChooseOverride();
  void ChooseFollow();
  void ChooseAutomatic();
  void ConfirmMediaTypeChange();
  void NormalisePaperFeed();
  void NormaliseCutInterval();
  void CutIntervalOn();
  void CutIntervalOff();
  void ChooseAutoCut();
  void ChooseNoAutoCut();
  void FollowAutoCutTiming();
  void ToggleErrorMessages();
  void Confirm();

  config::PrinterConfig record_;

  // Held values: what the user entered while controls are blanked or disabled.
  int32_t heldMediaType_;
  bool heldUseAdvancedInkProfile_;
  ColorProfileValues colour_;
  int32_t heldPaperFeedAdjustment_;
  int32_t heldMediaForm_;
  int32_t heldMediaSource_;
  int32_t heldPrintSpeed_;
  int32_t heldHeadMaintenance_;
  int32_t heldAutoCut_;
  int32_t heldCutInterval_;
  bool heldForcePrinting_;
  TimeFormatValues timeFormat_;
  int32_t rememberedMediaType_;
  bool confirming_ = false;  // the media type confirmation box is open
};

}  // namespace ui
