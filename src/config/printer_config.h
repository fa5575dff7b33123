// config: PrinterConfig (the printer's settings, their defaults and value labels), its
// persistence as spooler printer data, and the settings run it adds to the job header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/command_buffer.h"
#include "platform/types.h"

namespace config {

// Units of the manual clock format, its terminator included.
inline constexpr size_t kTimeFormatUnits = 3073;
inline constexpr char16_t kDefaultTimeFormatText[] = u"%b %d, %Y %I:%M:%S";

// Every user setting kept for one printer. A plain value: copying copies every field.
// Integer fields are not validated; consumers map values outside their set to a fallback.
struct PrinterConfig {
  platform::PrinterHandle PrinterHandle = nullptr;  // borrowed; null: defaults, cannot be saved
  bool Override;
  int32_t MediaType;
  bool UseAdvancedInkProfile;
  int32_t ColorCorrection;
  bool ChangeInkAmount;
  int32_t InkAmount;
  bool ChangeRatioOfBlack;
  int32_t RatioOfBlack;
  int32_t BandingReduction;
  bool CahngeBarcodeThickness;
  int32_t BarcodeThickness;
  int32_t PaperFeedAdjustment;
  int32_t MediaForm;
  int32_t MediaSource;
  int32_t PrintSpeed;
  int32_t HeadMaintenance;
  bool DoAutoCut;
  int32_t AutoCut;
  int32_t CutInterval;
  int32_t Buzzer;
  int32_t Pause;
  bool TimeFormatChooseFromPreset;
  int32_t TimeFormatDate;
  int32_t TimeFormatTime;
  char16_t TimeFormatText[kTimeFormatUnits];  // always terminated inside the array
  bool PrintError;
  bool ForcePrinting;

  PrinterConfig() { SetDefaults(); }
  bool operator==(const PrinterConfig&) const = default;

  // Every field but PrinterHandle to its default.
  void SetDefaults();

  // Reads the printer's data; each value that is missing or unusable keeps its default.
  // A null handle reads nothing.
  static PrinterConfig Load(platform::PrinterHandle printer);

  // Writes the saved values in order; the first failed write ends with false.
  bool Save() const;

  // Appends the settings run of the job header in one step; false (nothing appended,
  // nothing logged) for a null buffer or when building or appending fails.
  bool WriteConfigCommands(commands::CommandBuffer* buffer) const;
};

// Value labels from the module's string table: empty for a value outside the set or a
// text that cannot be loaded.
std::u16string MediaTypeLabel(int32_t value);
std::u16string ColorCorrectionLabel(int32_t value);
std::u16string MediaFormLabel(int32_t value);
std::u16string MediaSourceLabel(int32_t value);
std::u16string HeadMaintenanceLabel(int32_t value);
std::u16string AutoCutLabel(int32_t value);
std::u16string BuzzerLabel(int32_t value);
std::u16string PauseLabel(int32_t value);
std::u16string TimeFormatDateLabel(int32_t value);
std::u16string TimeFormatTimeLabel(int32_t value);

}  // namespace config
