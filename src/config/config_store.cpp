// PrinterConfig as printer data under one key: 27 values read in table order, each on
// its own; 25 written (the two barcode values are read but never written).
#include <algorithm>
#include <cstring>
#include <iterator>

#include "config/printer_config.h"
#include "platform/printer_data.h"

namespace config {
namespace {

constexpr char16_t kKey[] = u"ORVEX_KD-V62x0G_Config";
constexpr char16_t kTimeFormatTextName[] = u"TimeFormatText";
constexpr uint32_t kTimeFormatBytes = kTimeFormatUnits * sizeof(char16_t);  // 6146

// One REG_DWORD value: an int32 or a bool field of the record.
struct DwordValue {
  const char16_t* name;
  int32_t PrinterConfig::*number;
  bool PrinterConfig::*flag;
  bool saved;
};

constexpr DwordValue Int(const char16_t* name, int32_t PrinterConfig::*field, bool saved = true) {
  return {name, field, nullptr, saved};
}
constexpr DwordValue Bool(const char16_t* name, bool PrinterConfig::*field, bool saved = true) {
  return {name, nullptr, field, saved};
}

// In the order of loading and saving; the manual clock text goes between the
// two groups.
constexpr DwordValue kBeforeText[] = {
    Bool(u"Override", &PrinterConfig::Override),
    Int(u"MediaType", &PrinterConfig::MediaType),
    Bool(u"UseAdvancedInkProfile", &PrinterConfig::UseAdvancedInkProfile),
    Int(u"ColorCorrection", &PrinterConfig::ColorCorrection),
    Bool(u"ChangeInkAmount", &PrinterConfig::ChangeInkAmount),
    Int(u"InkAmount", &PrinterConfig::InkAmount),
    Bool(u"ChangeRatioOfBlack", &PrinterConfig::ChangeRatioOfBlack),
    Int(u"RatioOfBlack", &PrinterConfig::RatioOfBlack),
    Int(u"BandingReduction", &PrinterConfig::BandingReduction),
    Bool(u"CahngeBarcodeThickness", &PrinterConfig::CahngeBarcodeThickness, false),
    Int(u"BarcodeThickness", &PrinterConfig::BarcodeThickness, false),
    Int(u"PaperFeedAdjustment", &PrinterConfig::PaperFeedAdjustment),
    Int(u"MediaForm", &PrinterConfig::MediaForm),
    Int(u"MediaSource", &PrinterConfig::MediaSource),
    Int(u"PrintSpeed", &PrinterConfig::PrintSpeed),
    Int(u"HeadMaintenance", &PrinterConfig::HeadMaintenance),
    Bool(u"DoAutoCut", &PrinterConfig::DoAutoCut),
    Int(u"AutoCut", &PrinterConfig::AutoCut),
    Int(u"CutInterval", &PrinterConfig::CutInterval),
    Int(u"Buzzer", &PrinterConfig::Buzzer),
    Int(u"Pause", &PrinterConfig::Pause),
    Bool(u"TimeFormatChooseFromPreset", &PrinterConfig::TimeFormatChooseFromPreset),
    Int(u"TimeFormatDate", &PrinterConfig::TimeFormatDate),
    Int(u"TimeFormatTime", &PrinterConfig::TimeFormatTime),
};
constexpr DwordValue kAfterText[] = {
    Bool(u"PrintError", &PrinterConfig::PrintError),
    Bool(u"ForcePrinting", &PrinterConfig::ForcePrinting),
};

void LoadDword(PrinterConfig& record, const DwordValue& value) {
  uint8_t data[4] = {};
  uint32_t type = 0;
  uint32_t needed = 0;
  const uint32_t status = platform::GetPrinterData().GetValue(record.PrinterHandle, kKey, value.name, &type, data,
                                                              sizeof data, &needed);
  if (status != platform::kErrorSuccess || type != platform::kRegDword) return;  // keeps the default
  const uint32_t raw = uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24;
  if (value.number != nullptr) {
    record.*value.number = static_cast<int32_t>(raw);
  } else {
    record.*value.flag = raw != 0;
  }
}

void LoadTimeFormatText(PrinterConfig& record) {
  char16_t* text = record.TimeFormatText;
  uint32_t type = 0;
  uint32_t needed = 0;
  const uint32_t status = platform::GetPrinterData().GetValue(record.PrinterHandle, kKey, kTimeFormatTextName, &type,
                                                              text, kTimeFormatBytes, &needed);
  if (status != platform::kErrorSuccess || type != platform::kRegSz) {
    std::fill(text, text + kTimeFormatUnits, u'\0');
    std::copy(std::begin(kDefaultTimeFormatText), std::end(kDefaultTimeFormatText), text);
    return;
  }
  // The stored characters carry no terminator: place it after at most 3072 of them.
  const size_t stored = std::min<size_t>(needed / sizeof(char16_t), kTimeFormatUnits - 1);
  const size_t length = std::find(text, text + stored, u'\0') - text;
  text[length] = u'\0';
}

bool SaveDword(const PrinterConfig& record, const DwordValue& value) {
  const uint32_t raw = value.number != nullptr ? static_cast<uint32_t>(record.*value.number)
                                               : (record.*value.flag ? 1u : 0u);
  const uint8_t data[4] = {static_cast<uint8_t>(raw), static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw >> 16),
                           static_cast<uint8_t>(raw >> 24)};
  return platform::GetPrinterData().SetValue(record.PrinterHandle, kKey, value.name, platform::kRegDword, data,
                                             sizeof data) == platform::kErrorSuccess;
}

bool SaveTimeFormatText(const PrinterConfig& record) {
  const char16_t* text = record.TimeFormatText;
  const size_t length = std::find(text, text + kTimeFormatUnits, u'\0') - text;
  return platform::GetPrinterData().SetValue(record.PrinterHandle, kKey, kTimeFormatTextName, platform::kRegSz,
                                             text, static_cast<uint32_t>(length * sizeof(char16_t))) ==
         platform::kErrorSuccess;
}

}  // namespace

PrinterConfig PrinterConfig::Load(platform::PrinterHandle printer) {
  PrinterConfig record;
  record.PrinterHandle = printer;
  if (printer == nullptr) return record;
  for (const DwordValue& value : kBeforeText) LoadDword(record, value);
  LoadTimeFormatText(record);
  for (const DwordValue& value : kAfterText) LoadDword(record, value);
  return record;
}

bool PrinterConfig::Save() const {
  if (PrinterHandle == nullptr) return false;
  for (const DwordValue& value : kBeforeText) {
    if (value.saved && !SaveDword(*this, value)) return false;
  }
  if (!SaveTimeFormatText(*this)) return false;
  for (const DwordValue& value : kAfterText) {
    if (!SaveDword(*this, value)) return false;
  }
  return true;
}

}  // namespace config
