#include "config/printer_config.h"

#include <algorithm>
#include <iterator>

#include "platform/strings.h"

namespace config {

void PrinterConfig::SetDefaults() {
  Override = true;
  MediaType = 4;
  UseAdvancedInkProfile = false;
  ColorCorrection = 0;
  ChangeInkAmount = false;
  InkAmount = 0;
  ChangeRatioOfBlack = false;
  RatioOfBlack = 0;
  BandingReduction = 0;
  CahngeBarcodeThickness = false;
  BarcodeThickness = 0;
  PaperFeedAdjustment = 0;
  MediaForm = 0;
  MediaSource = 0;
  PrintSpeed = 1;
  HeadMaintenance = 0;
  DoAutoCut = false;
  AutoCut = 0;
  CutInterval = 1;
  Buzzer = 0;
  Pause = 0;
  TimeFormatChooseFromPreset = true;
  TimeFormatDate = 0;
  TimeFormatTime = 1;
  std::fill(std::begin(TimeFormatText), std::end(TimeFormatText), u'\0');
  std::copy(std::begin(kDefaultTimeFormatText), std::end(kDefaultTimeFormatText), TimeFormatText);
  PrintError = true;
  ForcePrinting = false;
}

namespace {

// The string-table id of each value of a set, in value order from 0.
template <size_t N>
std::u16string LabelOf(const uint32_t (&ids)[N], int32_t value) {
  if (value < 0 || static_cast<size_t>(value) >= N) return {};
  return platform::LoadResourceString(ids[value]);
}

constexpr uint32_t kMediaTypeIds[] = {105, 107, 106, 122, 108};
constexpr uint32_t kColorCorrectionIds[] = {117, 118};
constexpr uint32_t kMediaFormIds[] = {125, 126, 159, 160};
constexpr uint32_t kMediaSourceIds[] = {139, 140};
constexpr uint32_t kHeadMaintenanceIds[] = {128, 129};
constexpr uint32_t kAutoCutIds[] = {131, 132, 124};
constexpr uint32_t kBuzzerIds[] = {130, 134};
constexpr uint32_t kPauseIds[] = {130, 138};
constexpr uint32_t kTimeFormatDateIds[] = {150, 146, 145, 147};
constexpr uint32_t kTimeFormatTimeIds[] = {151, 148, 149};

}  // namespace

std::u16string MediaTypeLabel(int32_t value) { return LabelOf(kMediaTypeIds, value); }
std::u16string ColorCorrectionLabel(int32_t value) { return LabelOf(kColorCorrectionIds, value); }
std::u16string MediaFormLabel(int32_t value) { return LabelOf(kMediaFormIds, value); }
std::u16string MediaSourceLabel(int32_t value) { return LabelOf(kMediaSourceIds, value); }
std::u16string HeadMaintenanceLabel(int32_t value) { return LabelOf(kHeadMaintenanceIds, value); }
std::u16string AutoCutLabel(int32_t value) { return LabelOf(kAutoCutIds, value); }
std::u16string BuzzerLabel(int32_t value) { return LabelOf(kBuzzerIds, value); }
std::u16string PauseLabel(int32_t value) { return LabelOf(kPauseIds, value); }
std::u16string TimeFormatDateLabel(int32_t value) { return LabelOf(kTimeFormatDateIds, value); }
std::u16string TimeFormatTimeLabel(int32_t value) { return LabelOf(kTimeFormatTimeIds, value); }

}  // namespace config
