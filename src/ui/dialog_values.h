// The blocks of settings that ConfigDialog holds and its two nested dialogs edit.
#pragma once

#include <cstdint>

#include "config/printer_config.h"

namespace ui {

// The advanced colour settings, in the order of the record's fields.
struct ColorProfileValues {
  int32_t ColorCorrection = 0;
  bool ChangeInkAmount = false;
  int32_t InkAmount = 0;
  bool ChangeRatioOfBlack = false;
  int32_t RatioOfBlack = 0;
  int32_t BandingReduction = 0;
  bool CahngeBarcodeThickness = false;
  int32_t BarcodeThickness = 0;
};

// The format of the printer-generated clock field.
struct TimeFormatValues {
  bool TimeFormatChooseFromPreset = true;
  int32_t TimeFormatDate = 0;
  int32_t TimeFormatTime = 0;
  char16_t TimeFormatText[config::kTimeFormatUnits] = {};  // always terminated
};

}  // namespace ui
